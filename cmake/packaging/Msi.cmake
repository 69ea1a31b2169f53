# ZephrinSetup.msi: the Windows Installer package for management tools
# (Intune, Configuration Manager, Group Policy), beside the setup program.
# wixl (msitools) builds it from msi/Zephrin.wxs and msi/BuildMsi.cmake
# completes its tables; its custom actions are ZephrinMsiActions.dll, built
# here. Like every shipped file it is signed when the build signs. A test
# build's package carries -TEST in its name, as its setup program does:
#   <build>/package/ZephrinSetup.msi (ZephrinSetup-TEST.msi)
# The target zephrin_msi is part of every build where msitools is installed
# (scripts/setup installs it).

# Run by the installer as the system account, so built as the programs are:
# statically, with the platform layer's stack canary rather than GCC's
# runtime, which would load the cryptographic provider while the DLL loads.
add_library(ZephrinMsiActions SHARED ${CMAKE_CURRENT_LIST_DIR}/msi/msi_actions.cpp
            ${CMAKE_CURRENT_LIST_DIR}/msi/msi_actions.rc ${PROJECT_SOURCE_DIR}/platform/stack_guard.cpp)
# Not beside the programs in bin/: nothing there should be a library that a program might load.
set_target_properties(ZephrinMsiActions PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/msi)
target_link_libraries(ZephrinMsiActions PRIVATE msi)
# The installer calls the actions by their plain names, without the @4 of __stdcall.
target_link_options(ZephrinMsiActions PRIVATE -Wl,--kill-at)
target_include_directories(ZephrinMsiActions PRIVATE ${PROJECT_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/msi/msi_actions.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/version_info.rc;${CMAKE_BINARY_DIR}/generated/zephrin_version.h")
zephrin_sign_after_link(ZephrinMsiActions "Zephrin Setup")

find_program(ZEPHRIN_WIXL wixl)
find_program(ZEPHRIN_MSIBUILD msibuild)
find_program(ZEPHRIN_MSIINFO msiinfo)
if(NOT ZEPHRIN_WIXL OR NOT ZEPHRIN_MSIBUILD OR NOT ZEPHRIN_MSIINFO)
  message(WARNING "msitools (wixl, msibuild, msiinfo) not found: no ZephrinSetup.msi (scripts/setup installs them)")
  return()
endif()

set(ZEPHRIN_MSI_FILE ${CMAKE_BINARY_DIR}/package/${ZEPHRIN_SETUP_FILE_NAME}.msi)
# Every version its own product code, named after the UpgradeCode and the
# version, so that the same version built again is the same product and never
# installs beside itself.
string(UUID ZEPHRIN_MSI_PRODUCT_CODE NAMESPACE A25FD50E-2ACC-4F24-86CF-303EDB934B0C
       NAME "Zephrin ${ZEPHRIN_PRODUCT_VERSION}" TYPE SHA1 UPPER)
# The programs' signer, with the arguments Signing.cmake gives it.
set(msi_sign "")
if(ZEPHRIN_TEST_SIGNING OR ZEPHRIN_MAKER_SIGNING)
  set(msi_sign_command ${ZEPHRIN_BASH_FOR_SIGNING} ${ZEPHRIN_SIGN_SCRIPT} ${ZEPHRIN_SIGN_ARGS})
  list(JOIN msi_sign_command "|" msi_sign)
endif()
set(msi_files ${CMAKE_BINARY_DIR}/bin/Zephrin.exe ${CMAKE_BINARY_DIR}/bin/ZephrinUpdate.exe
    ${CMAKE_BINARY_DIR}/bin/License.rtf ${CMAKE_BINARY_DIR}/bin/Zephrin.chm ${CMAKE_BINARY_DIR}/bin/Zephrin-korean.chm
    ${CMAKE_BINARY_DIR}/msi/ZephrinMsiActions.dll ${PROJECT_SOURCE_DIR}/resources/images/zephrin.ico)
string(REPLACE ";" "|" ZEPHRIN_MSI_FILE_LIST "${msi_files}")
add_custom_command(
  OUTPUT ${ZEPHRIN_MSI_FILE}
  COMMAND ${CMAKE_COMMAND} -DWIXL=${ZEPHRIN_WIXL} -DMSIBUILD=${ZEPHRIN_MSIBUILD} -DMSIINFO=${ZEPHRIN_MSIINFO}
          -DWXS=${CMAKE_CURRENT_LIST_DIR}/msi/Zephrin.wxs -DWORK=${CMAKE_BINARY_DIR}/msi/work -DOUT=${ZEPHRIN_MSI_FILE}
          -DVERSION=${ZEPHRIN_PRODUCT_VERSION} -DPRODUCT_CODE=${ZEPHRIN_MSI_PRODUCT_CODE} "-DFILES=${ZEPHRIN_MSI_FILE_LIST}"
          "-DSIGN=${msi_sign}" -P ${CMAKE_CURRENT_LIST_DIR}/msi/BuildMsi.cmake
  # The files themselves, not only their targets: a rebuilt help file must make a new package.
  DEPENDS Zephrin ZephrinUpdate ZephrinMsiActions zephrin_documents ${msi_files}
          ${CMAKE_CURRENT_LIST_DIR}/msi/Zephrin.wxs ${CMAKE_CURRENT_LIST_DIR}/msi/BuildMsi.cmake
          ${ZEPHRIN_SIGN_SCRIPT}
  COMMENT "Making the Windows Installer package"
  VERBATIM)
add_custom_target(zephrin_msi ALL DEPENDS ${ZEPHRIN_MSI_FILE})
if(ZEPHRIN_TEST_SIGNING)
  add_dependencies(zephrin_msi zephrin_test_signing)
endif()
