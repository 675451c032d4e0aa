# Cross build for Windows with mingw-w64 (posix threads).
# TOL_ARCH i686 builds the 32-bit deliverables; x86_64 builds the same sources for test beds
# whose kernel cannot run 32-bit code (their Wine then is the 64-bit one).
set(TOL_ARCH i686 CACHE STRING "i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)

set(TOOLCHAIN_PREFIX ${TOL_ARCH}-w64-mingw32)
if(TOL_ARCH STREQUAL "x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
    set(TOL_WINE /usr/lib/wine/wine64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
    set(TOL_WINE /usr/lib/wine/wine)
    # double arithmetic on SSE2, as in the x86_64 build: the x87 unit keeps 80-bit intermediates,
    # so a figure held in a register and the same figure stored to memory would compare unequal
    # and results would differ between the two builds.
    set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
    set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
endif()

set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(TOL_WIDL           ${TOOLCHAIN_PREFIX}-widl)
set(TOL_WINDMC         ${TOOLCHAIN_PREFIX}-windmc)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${TOL_WINE})
