# The 64-bit (x64) Windows build: scripts/build.sh's default, into build/.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The architecture's name in the scripts (--arch).
set(MOVARA_ARCH x64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
