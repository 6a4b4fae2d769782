# movara_export_headers(TARGET FOLDER): the target and its users include the
# headers of src/FOLDER as "FOLDER/Name.h", and through this target nothing
# else of src/. Each library exports its own folder this way, so an include of
# a library that a target does not link fails to compile, and the layer map
# (movara_write_layer_map) knows which folder is whose.
function(movara_export_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  set_property(GLOBAL APPEND PROPERTY MOVARA_LIBRARIES ${target})
  set_property(TARGET ${target} PROPERTY MOVARA_FOLDER ${folder})
endfunction()

# movara_write_layer_map(FILE): one line per library of src/, as the layer
# check reads it:  library|folder|layer number|library it links ...
# The layer number is the folder's place in MOVARA_LAYERS (0 at the bottom);
# only links to other libraries of src/ are listed.
function(movara_write_layer_map file)
  get_property(libraries GLOBAL PROPERTY MOVARA_LIBRARIES)
  set(lines "")
  foreach(library ${libraries})
    get_target_property(folder ${library} MOVARA_FOLDER)
    set(layer -1)
    set(index 0)
    foreach(entry ${MOVARA_LAYERS})
      separate_arguments(folders UNIX_COMMAND "${entry}")
      if(folder IN_LIST folders)
        set(layer ${index})
      endif()
      math(EXPR index "${index} + 1")
    endforeach()
    get_target_property(links ${library} LINK_LIBRARIES)
    set(deps "")
    foreach(link ${links})
      if(link IN_LIST libraries)
        list(APPEND deps ${link})
      endif()
    endforeach()
    string(REPLACE ";" " " deps "${deps}")
    string(APPEND lines "${library}|${folder}|${layer}|${deps}\n")
  endforeach()
  file(WRITE ${file} "${lines}")
endfunction()
