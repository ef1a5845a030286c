# Cross build of the Windows x86-64 plug-in with Debian's MinGW-w64 (POSIX threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingwPrefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingwPrefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwPrefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwPrefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingwPrefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests and the stand-in host run under Wine; CTest starts them through this script.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
