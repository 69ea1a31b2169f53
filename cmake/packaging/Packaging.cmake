# ZephrinSetup.exe: CPack's NSIS generator with our own script
# (cmake/packaging/NSIS.template.in). "cpack" in a build folder makes it.

# Packaging installs what is built; it must not build everything first, for
# the test build makes the setup program as part of everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS Zephrin ZephrinUpdate RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/bin/Zephrin.chm ${CMAKE_BINARY_DIR}/bin/Zephrin-korean.chm
              ${CMAKE_BINARY_DIR}/bin/ZephrinLicense.rtf DESTINATION .)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Zephrin)
set(CPACK_PACKAGE_VENDOR ORVANE)
set(CPACK_PACKAGE_VERSION ${ZEPHRIN_PRODUCT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ZephrinSetup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "ORVANE\\\\Zephrin")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/resources/License.rtf)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/images/zephrin.ico)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
include(CPack)
