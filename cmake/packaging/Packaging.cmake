# ZephrinSetup.exe: CPack's NSIS generator with our own script
# (cmake/packaging/NSIS.template.in). "cpack" in a build folder makes it.

# Packaging installs what is built; it must not build everything first, for
# the test build makes the setup program as part of everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS Zephrin ZephrinUpdate RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/bin/Zephrin.chm ${CMAKE_BINARY_DIR}/bin/Zephrin-korean.chm
              ${CMAKE_BINARY_DIR}/bin/License.rtf DESTINATION .)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Zephrin)
set(CPACK_PACKAGE_VENDOR ORVANE)
set(CPACK_PACKAGE_VERSION ${ZEPHRIN_PRODUCT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${ZEPHRIN_SETUP_FILE_NAME})
set(CPACK_ZEPHRIN_TEST_BUILD_NOTE "${ZEPHRIN_TEST_BUILD_NOTE}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "ORVANE\\\\Zephrin")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/resources/License.rtf)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/images/zephrin.ico)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_ZEPHRIN_COPYRIGHT "${ZEPHRIN_COPYRIGHT}")
# makensis signs the uninstaller before it packs it and the setup program
# once it is written, with the build's signer; a failed signing fails the
# package. The uninstaller exists only inside the setup program, so a copy
# of the signed one is kept beside it for scripts/release to check. The
# lines go into a file of their own, which CPack reads unchanged.
set(ZEPHRIN_SIGNING_NSH ${CMAKE_BINARY_DIR}/signing.nsh)
zephrin_nsis_sign_command(sign_uninstaller "Zephrin Uninstall"
                          --copy-to "\"${CPACK_PACKAGE_DIRECTORY}/ZephrinUninstall.exe\"")
zephrin_nsis_sign_command(sign_setup "Zephrin Setup")
if(sign_setup)
  file(WRITE ${ZEPHRIN_SIGNING_NSH} "!uninstfinalize '${sign_uninstaller}' = 0\n!finalize '${sign_setup}' = 0\n")
else()
  file(WRITE ${ZEPHRIN_SIGNING_NSH} "; This build signs nothing.\n")
  file(REMOVE ${CPACK_PACKAGE_DIRECTORY}/ZephrinUninstall.exe)
endif()
set(CPACK_ZEPHRIN_SIGNING_NSH ${ZEPHRIN_SIGNING_NSH})
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
include(CPack)
