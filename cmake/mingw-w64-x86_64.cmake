# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix). The posix flavour gives std::thread and
# std::mutex; -static folds libstdc++, libgcc and winpthreads into every
# executable, so a program needs no DLL beyond those Windows itself ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PINTWISE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PINTWISE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PINTWISE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PINTWISE_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's own tree, never the host's;
# programs (the compiler's helpers, sh) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PINTWISE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
