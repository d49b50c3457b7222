# Cross build for 32-bit Windows with Debian's mingw-w64: the program users get. Its
# processes are virtualised like the 32-bit host's, and it also runs on 32-bit Windows.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(AUXLINE_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Double arithmetic in the SSE2 registers, rounded to 53 bits at every step as on x86-64:
# the x87 unit's 64-bit intermediates would change the last digits of the coordinates
# written. Every processor that runs a supported Windows has SSE2.
# Windows keeps a 32-bit stack aligned to 4 bytes only (window procedures are called that
# way), so the compiler must not assume more where it spills SSE registers.
set(AUXLINE_I686_FLAGS "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_C_FLAGS_INIT "${AUXLINE_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${AUXLINE_I686_FLAGS}")
