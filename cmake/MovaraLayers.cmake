# movara_export_headers(TARGET FOLDER): the target and its users include the
# headers of src/FOLDER as "FOLDER/Name.h", and through this target nothing
# else of src/. Each library exports its own folder this way, so an include of
# a library that a target does not link fails to compile; scripts/check-layers.sh
# checks the direction of the includes within what is linked.
function(movara_export_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
