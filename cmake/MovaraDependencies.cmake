# The libraries Movara links, all built for Windows with the project's toolchain:
# Xerces-C and liblzma from the source archives in third_party/, zlib from the MinGW-w64
# sysroot, GoogleTest from the sources Debian installs, Duktape's single file.
include(ExternalProject)

set(MOVARA_THIRD_PARTY_DIR ${CMAKE_SOURCE_DIR}/third_party)

# What every library built by its own project gets: our compilers and their
# cache, a release build, a static library.
set(MOVARA_EXTERNAL_CMAKE_ARGS
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
  -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=OFF)

# Xerces-C 3.2.4, static, with the Windows transcoder and no network access.
# Only the library is built (its tests and samples are not), and it is used
# from its build tree: headers from the source and the generated configuration.
# Its character loops start on a 32-byte boundary: where the link happened to
# put one across a 64-byte line, parsing a long text took twice as long.
set(XERCES_ROOT ${CMAKE_BINARY_DIR}/third_party/xerces)
set(XERCES_SOURCE_DIR ${XERCES_ROOT}/src/xerces_build)
set(XERCES_BINARY_DIR ${XERCES_ROOT}/src/xerces_build-build)
set(XERCES_LIBRARY ${XERCES_BINARY_DIR}/src/libxerces-c.a)
ExternalProject_Add(xerces_build
  URL ${MOVARA_THIRD_PARTY_DIR}/xerces-c-3.2.4.tar.gz
  URL_HASH SHA256=4260b4d67cfc6a5e418ee07af255269601eee1d76bd92ade2b28dddd9956ae72
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE
  PREFIX ${XERCES_ROOT}
  CMAKE_ARGS
    ${MOVARA_EXTERNAL_CMAKE_ARGS}
    -Dnetwork=OFF
    -Dtranscoder=windows
    -Dmessage-loader=inmemory
    -Dxmlch-type=char16_t
    -DCMAKE_CXX_FLAGS=-falign-loops=32
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target xerces-c
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${XERCES_LIBRARY}
  LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_OUTPUT_ON_FAILURE TRUE)
file(MAKE_DIRECTORY ${XERCES_SOURCE_DIR}/src ${XERCES_BINARY_DIR}/src)
add_library(XercesC::XercesC STATIC IMPORTED GLOBAL)
set_target_properties(XercesC::XercesC PROPERTIES
  IMPORTED_LOCATION ${XERCES_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES "${XERCES_SOURCE_DIR}/src;${XERCES_BINARY_DIR}/src"
  INTERFACE_COMPILE_DEFINITIONS XERCES_STATIC_LIBRARY
  INTERFACE_LINK_LIBRARIES advapi32)
add_dependencies(XercesC::XercesC xerces_build)

# liblzma of XZ Utils 5.4.1 (Debian's source with its patches), static, for
# LZMA-compressed movies ("ZWS"). Only the library is built, and it is used
# from its build tree with the headers of its source.
set(LZMA_ROOT ${CMAKE_BINARY_DIR}/third_party/xz)
set(LZMA_SOURCE_DIR ${LZMA_ROOT}/src/lzma_build)
set(LZMA_BINARY_DIR ${LZMA_ROOT}/src/lzma_build-build)
set(LZMA_LIBRARY ${LZMA_BINARY_DIR}/liblzma.a)
ExternalProject_Add(lzma_build
  URL ${MOVARA_THIRD_PARTY_DIR}/xz-5.4.1.tar.xz
  URL_HASH SHA256=50c5f3742c678e7cf8b2797780546231d2146c3fc5e3821b6470950ffd57421f
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE
  PREFIX ${LZMA_ROOT}
  CMAKE_ARGS ${MOVARA_EXTERNAL_CMAKE_ARGS}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target liblzma
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${LZMA_LIBRARY}
  LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_OUTPUT_ON_FAILURE TRUE)
file(MAKE_DIRECTORY ${LZMA_SOURCE_DIR}/src/liblzma/api)
add_library(LibLZMA::LibLZMA STATIC IMPORTED GLOBAL)
set_target_properties(LibLZMA::LibLZMA PROPERTIES
  IMPORTED_LOCATION ${LZMA_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${LZMA_SOURCE_DIR}/src/liblzma/api
  INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC
  INTERFACE_LINK_LIBRARIES pthread)
add_dependencies(LibLZMA::LibLZMA lzma_build)

# zlib: the static library of Debian's libz-mingw-w64-dev.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

# GoogleTest from Debian's googletest sources.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)

# Duktape, compiled from its single source file. Debian's configuration turns
# the execution time-out check and the debugger off, and duktape.c includes
# the duk_config.h beside it, so the three files are copied into the build
# tree and the copy switches them on: the heap's user data, when not null,
# points at a function pointer `int (*)(void*)` that is called with that user
# data and answers non-zero to stop the running script; the debug protocol
# (version 2) pauses on errors no script catches. Tail calls are given up and
# tracebacks made deep, so an error's stack keeps every frame, and a syntax
# error names its column beside its line.
set(DUKTAPE_SOURCE_DIR /usr/share/duktape)
set(DUKTAPE_DIR ${CMAKE_BINARY_DIR}/third_party/duktape)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DUKTAPE_SOURCE_DIR}/duk_config.h
  ${DUKTAPE_SOURCE_DIR}/duktape.c)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.h ${DUKTAPE_DIR}/duktape.h COPYONLY)
# movara_patch_text(VARIABLE OLD NEW): replaces text that must be there.
function(movara_patch_text variable old new)
  string(FIND "${${variable}}" "${old}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "Duktape's files have no '${old}' to replace")
  endif()
  string(REPLACE "${old}" "${new}" patched "${${variable}}")
  set(${variable} "${patched}" PARENT_SCOPE)
endfunction()
file(READ ${DUKTAPE_SOURCE_DIR}/duk_config.h DUKTAPE_CONFIG)
foreach(option INTERRUPT_COUNTER DEBUGGER_SUPPORT DEBUGGER_PAUSE_UNCAUGHT)
  movara_patch_text(DUKTAPE_CONFIG "#undef DUK_USE_${option}\n" "#define DUK_USE_${option}\n")
endforeach()
movara_patch_text(DUKTAPE_CONFIG "#undef DUK_USE_EXEC_TIMEOUT_CHECK\n"
  "#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) ((udata) != NULL && (*(int (**)(void *)) (udata))(udata))\n")
movara_patch_text(DUKTAPE_CONFIG "#define DUK_USE_TAILCALL\n" "#undef DUK_USE_TAILCALL\n")
movara_patch_text(DUKTAPE_CONFIG "#define DUK_USE_TRACEBACK_DEPTH 10\n" "#define DUK_USE_TRACEBACK_DEPTH 1000\n")
file(READ ${DUKTAPE_SOURCE_DIR}/duktape.c DUKTAPE_SOURCE)
# The column counts the characters (not bytes) of the failing token's line before it.
movara_patch_text(DUKTAPE_SOURCE "\" (line %ld%s)\",\n\t\t                 (long) thr->compile_ctx->curr_token.start_line,\n"
  "\" (line %ld, column %ld%s)\",\n\t\t                 (long) thr->compile_ctx->curr_token.start_line,\n\t\t                 ({ const duk_uint8_t *in_ = thr->compile_ctx->lex.input; duk_size_t at_ = thr->compile_ctx->curr_token.start_offset; long col_ = 1; while (at_ > 0 && in_[at_ - 1] != 0x0a && in_[at_ - 1] != 0x0d) { if ((in_[at_ - 1] & 0xc0) != 0x80) col_++; at_--; } col_; }),\n")
# Written through configure_file so that an unchanged copy keeps its time stamp.
file(WRITE ${DUKTAPE_DIR}/duk_config.h.new "${DUKTAPE_CONFIG}")
configure_file(${DUKTAPE_DIR}/duk_config.h.new ${DUKTAPE_DIR}/duk_config.h COPYONLY)
file(WRITE ${DUKTAPE_DIR}/duktape.c.new "${DUKTAPE_SOURCE}")
configure_file(${DUKTAPE_DIR}/duktape.c.new ${DUKTAPE_DIR}/duktape.c COPYONLY)
add_library(duktape STATIC ${DUKTAPE_DIR}/duktape.c)
target_include_directories(duktape SYSTEM PUBLIC ${DUKTAPE_DIR})
# With unwind information: the player's fatal-error handler throws a C++
# exception out through Duktape's frames instead of ending the process.
target_compile_options(duktape PRIVATE -w -fexceptions)

# Google Benchmark 1.9.5, static, for the benchmark programs in bench/. Built
# only when a benchmark target asks for it, so the normal build and the test
# command do not compile it.
set(BENCHMARK_ROOT ${CMAKE_BINARY_DIR}/third_party/benchmark)
set(BENCHMARK_SOURCE_DIR ${BENCHMARK_ROOT}/src/benchmark_build)
set(BENCHMARK_BINARY_DIR ${BENCHMARK_ROOT}/src/benchmark_build-build)
set(BENCHMARK_LIBRARY ${BENCHMARK_BINARY_DIR}/src/libbenchmark.a)
ExternalProject_Add(benchmark_build
  URL ${MOVARA_THIRD_PARTY_DIR}/benchmark-1.9.5.tar.gz
  URL_HASH SHA256=09a82ac49bdfa81d3db5473b4c9699bd7a029adaf25263993f9516a5b5f74e73
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE
  PREFIX ${BENCHMARK_ROOT}
  EXCLUDE_FROM_ALL TRUE
  CMAKE_ARGS
    ${MOVARA_EXTERNAL_CMAKE_ARGS}
    -DBENCHMARK_ENABLE_TESTING=OFF
    -DBENCHMARK_ENABLE_GTEST_TESTS=OFF
    -DBENCHMARK_ENABLE_WERROR=OFF
    -DBENCHMARK_ENABLE_INSTALL=OFF
    -DBENCHMARK_ENABLE_LIBPFM=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target benchmark
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${BENCHMARK_LIBRARY}
  LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_OUTPUT_ON_FAILURE TRUE)
file(MAKE_DIRECTORY ${BENCHMARK_SOURCE_DIR}/include)
add_library(benchmark::benchmark STATIC IMPORTED GLOBAL)
set_target_properties(benchmark::benchmark PROPERTIES
  IMPORTED_LOCATION ${BENCHMARK_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${BENCHMARK_SOURCE_DIR}/include
  INTERFACE_COMPILE_DEFINITIONS BENCHMARK_STATIC_DEFINE
  INTERFACE_LINK_LIBRARIES "shlwapi")
add_dependencies(benchmark::benchmark benchmark_build)
