# Cross-compiles for x86_64 Windows with Debian's mingw-w64 (posix threads, for std::mutex and GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVO_ARCH x86_64)
set(TAVO_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER   ${TAVO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TAVO_TRIPLE}-windres)
set(TAVO_WIDL          ${TAVO_TRIPLE}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
