# What each file a user copies says about itself: a version resource on every
# program and DLL, and on the programs a manifest, all from the project's one
# version number (project(... VERSION) in the top CMakeLists.txt).
#
#   movara_program_resources(TARGET DESCRIPTION [MANIFEST] [ICON])
#
# DESCRIPTION is the file description Explorer shows; MANIFEST gives the
# program the manifest of res/Program.manifest.in; ICON gives it the program's
# icon (res/ProgramIcon.rc), for a program that does not have it through
# movara_resources already.
set(MOVARA_COPYRIGHT "Copyright © 2026 Movara")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MOVARA_MANIFEST_ARCHITECTURE amd64)
else()
  set(MOVARA_MANIFEST_ARCHITECTURE x86)
endif()

function(movara_program_resources target description)
  cmake_parse_arguments(ARG "MANIFEST;ICON" "" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  set(MOVARA_DESCRIPTION "${description}")
  set(MOVARA_NAME ${target})
  if(type STREQUAL "SHARED_LIBRARY")
    set(MOVARA_FILE_NAME ${target}.dll)
    set(MOVARA_FILE_TYPE VFT_DLL)
  else()
    set(MOVARA_FILE_NAME ${target}.exe)
    set(MOVARA_FILE_TYPE VFT_APP)
  endif()
  set(dir ${CMAKE_BINARY_DIR}/res/${target})
  set(MOVARA_EXTRA_RESOURCES "")
  if(ARG_MANIFEST)
    configure_file(${CMAKE_SOURCE_DIR}/res/Program.manifest.in ${dir}/${target}.manifest @ONLY)
    # 1 is the manifest the loader reads when it starts a program; 24 is RT_MANIFEST.
    string(APPEND MOVARA_EXTRA_RESOURCES "1 24 \"${dir}/${target}.manifest\"\n")
  endif()
  if(ARG_ICON)
    string(APPEND MOVARA_EXTRA_RESOURCES "#include \"${CMAKE_SOURCE_DIR}/res/ProgramIcon.rc\"\n")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/res/ProgramVersion.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  if(ARG_ICON)
    movara_use_program_icon(${target} ${dir}/${target}.rc)
  endif()
endfunction()

# movara_use_program_icon(TARGET RC): RC, a resource script of TARGET,
# includes res/ProgramIcon.rc, whose Movara.ico res/CMakeLists.txt makes.
function(movara_use_program_icon target rc)
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR}/res;${CMAKE_BINARY_DIR}/res"
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/res/Movara.ico;${CMAKE_SOURCE_DIR}/res/ProgramIcon.rc")
  add_dependencies(${target} movara_icon)
endfunction()
