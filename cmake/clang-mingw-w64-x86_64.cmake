# Cross build of the Windows x86-64 plug-in with Debian's Clang, against the
# same MinGW-w64 headers, runtime and linker as the GCC build, so that a second
# compiler checks the code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingwPrefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${mingwPrefix})
set(CMAKE_CXX_COMPILER_TARGET ${mingwPrefix})
set(CMAKE_RC_COMPILER ${mingwPrefix}-windres)
set(CMAKE_SYSROOT /usr/${mingwPrefix})

# Clang looks for GCC's files in a folder named by version alone; Debian names
# it by version and threading flavour ("12-posix"), so the C++ library's
# headers and GCC's libraries are named here. The POSIX flavour's runtime
# needs winpthread, which -pthread puts where the runtime's archives reach it.
# LLVM's linker: GNU ld takes Clang's copies of the standard exception type
# names and the library's for one section of two sizes and says so at every
# link.
file(GLOB gccDirs /usr/lib/gcc/${mingwPrefix}/*-posix)
list(SORT gccDirs COMPARE NATURAL)
list(POP_BACK gccDirs gccDir)
if(NOT gccDir)
    message(FATAL_ERROR "no MinGW-w64 GCC (POSIX threads) under /usr/lib/gcc/${mingwPrefix}")
endif()
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${gccDir}/include/c++ -isystem ${gccDir}/include/c++/${mingwPrefix} -isystem ${gccDir}/include/c++/backward")
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-L${gccDir} -pthread -fuse-ld=lld")
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/${mingwPrefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# As the GCC build: what runs, runs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
