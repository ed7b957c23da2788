# Helpers shared by the project's CMake files.

# A Windows DLL with a fixed file name (name.ext) and exports from a .def file.
function(tovrin_dll target file_name def_file)
  get_filename_component(_ext ${file_name} EXT)
  get_filename_component(_base ${file_name} NAME_WE)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${_base} SUFFIX ${_ext})
  target_sources(${target} PRIVATE ${def_file})
endfunction()

set(TOVRIN_WINE ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
set(TOVRIN_UNIT_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
