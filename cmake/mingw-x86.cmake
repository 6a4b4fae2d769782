# The 32-bit (x86) Windows build: scripts/build.sh --arch x86, into build-x86/.
set(CMAKE_SYSTEM_PROCESSOR i686)
# The architecture's name in the scripts (--arch).
set(MOVARA_ARCH x86)
set(MINGW_TRIPLE i686-w64-mingw32)
# SSE2, which every processor that runs Windows 8 or later has: the text
# scanners use its intrinsics, and floating point then rounds as on x64
# instead of in the x87 unit's wider registers.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
