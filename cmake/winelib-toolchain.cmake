# Builds Windows programs as Winelib executables: wineg++ compiles against
# Wine's Win32 headers and links the result as foo.exe (launcher) + foo.exe.so.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER /usr/lib/wine/wineg++)
set(CMAKE_C_COMPILER /usr/lib/wine/winegcc)
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
set(CMAKE_EXECUTABLE_SUFFIX .exe)
# Without this CMake passes -isystem /usr/include, which breaks Wine's
# #include_next <stdlib.h> chain.
list(APPEND CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES /usr/include)
list(APPEND CMAKE_C_IMPLICIT_INCLUDE_DIRECTORIES /usr/include)
