# What both mingw-w64 toolchain files share; they set AUXLINE_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first. Debian's posix thread model: the standard library's
# std::thread and std::mutex need it, and GoogleTest with them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${AUXLINE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AUXLINE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${AUXLINE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${AUXLINE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is one self-contained .exe: the compiler's runtime (libgcc, libstdc++,
# winpthread) is linked in, so only the system's own DLLs are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
