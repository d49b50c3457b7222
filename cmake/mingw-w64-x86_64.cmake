# Cross build for 64-bit Windows with Debian's mingw-w64: kept so that the code stays
# portable to it; the program users get is the 32-bit one (mingw-w64-i686.cmake).
#   cmake -S . -B build-windows64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(AUXLINE_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
