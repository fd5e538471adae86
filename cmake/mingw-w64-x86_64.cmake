# Cross build for 64-bit Windows with MinGW-w64 (the -posix compilers, whose threads std::thread
# and std::mutex need). Every program is linked statically, so a .exe needs only the system's
# kernel32 and msvcrt. On a Linux host the programs run under Wine: CMAKE_CROSSCOMPILING_EMULATOR
# is what ctest and the test discovery start them through, with Wine's prefix in the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(T2N_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${T2N_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${T2N_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${T2N_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${T2N_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(CMAKE_HOST_UNIX)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
endif()
