# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which Qt's and
# the standard library's threads need). scripts/windows.sh passes it to Qt, simdjson, GoogleTest and
# the project; PV_WINDOWS_PREFIX names the folders (separated by ';') where the first three are
# installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED ENV{PV_WINDOWS_PREFIX})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{PV_WINDOWS_PREFIX})
    list(APPEND CMAKE_PREFIX_PATH $ENV{PV_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt's host tools (moc, rcc, uic) come from the build machine through QT_HOST_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
