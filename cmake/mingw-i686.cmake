# Cross-compiles Zephrin for 32-bit Windows with Debian's mingw-w64, in its
# Win32 thread model: the posix model's thread library imports functions that
# Windows 2000 and XP do not have (GetTickCount64, vectored exception handlers).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and try-runs execute the Windows binaries under Wine. The wrapper is
# written into the build folder so that it knows the build's own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")

# Debian keeps header-only Boost and GoogleTest's sources outside the
# cross root; these defaults point at them and may be overridden.
set(ZEPHRIN_BOOST_ROOT /usr/include CACHE PATH "Folder that holds boost/ (Boost 1.81 headers)")
set(ZEPHRIN_STB_ROOT /usr/include CACHE PATH "Folder that holds stb/ (stb_image.h and stb_image_resize.h)")
set(ZEPHRIN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, built with this toolchain")
