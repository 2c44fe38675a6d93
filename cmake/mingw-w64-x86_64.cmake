# CMake toolchain for cross-building 64-bit Windows programs on Debian with MinGW-w64 (the
# POSIX-thread compilers of g++-mingw-w64-x86-64-posix). Serves both scripts/build-windows-qt.sh,
# which builds the static Qt with it, and the program, configured with
#   -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_PREFIX_PATH=<that Qt's prefix>

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEXTO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXTO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXTO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXTO_MINGW_TRIPLE}-windres)

# Libraries, headers and CMake packages come from the MinGW root and from the prefixes the caller
# names (the static Qt); programs (moc, rcc, uic through Qt's host path) come from this machine.
# CMAKE_PREFIX_PATH has to be a find root too, or find_package(Qt6) looks for the Qt prefix
# under /usr/x86_64-w64-mingw32 only.
set(CMAKE_FIND_ROOT_PATH /usr/${VEXTO_MINGW_TRIPLE})
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C and C++ runtimes and winpthread statically: without -static the program still
# imports libgcc_s_seh-1.dll, libstdc++-6.dll and libwinpthread-1.dll, which Windows lacks.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
