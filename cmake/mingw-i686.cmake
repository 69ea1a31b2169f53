# Cross-compiles Zephrin for 32-bit Windows with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
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
set(ZEPHRIN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, built with this toolchain")
