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

# A Wine prefix for a group of tests, as a ctest fixture: the setup command
# lays it out before the group, and its wineserver is stopped after it.
function(tovrin_wine_fixture fixture prefix)
  add_test(NAME ${fixture}_prefix COMMAND ${ARGN})
  set_tests_properties(${fixture}_prefix PROPERTIES FIXTURES_SETUP ${fixture} RUN_SERIAL ON)
  add_test(NAME ${fixture}_server_stop
    COMMAND sh -c "WINEPREFIX='${prefix}' /usr/lib/wine/wineserver64 -k 2>/dev/null; exit 0")
  set_tests_properties(${fixture}_server_stop PROPERTIES FIXTURES_CLEANUP ${fixture} RUN_SERIAL ON)
endfunction()

# A test program run by ctest with wine64 as its cross-compiling emulator,
# in the fixture's prefix; one program at a time.
function(tovrin_wine_test target fixture prefix)
  set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR "${TOVRIN_WINE};${prefix}")
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED ${fixture} RUN_SERIAL ON)
endfunction()

# A Windows DLL whose stdcall exports other binaries of the project link
# against through its import library. On i686 the import library must carry
# the decorated names (NAME@BYTES) that callers reference, while the DLL
# exports undecorated ones: the .def file is written per architecture, the DLL
# linked with --kill-at, and its import library made again by dlltool (the
# linker's own would hold the undecorated names). Each entry is NAME/BYTES or
# NAME/BYTES/ORDINAL, BYTES being the export's argument bytes on i686.
function(tovrin_stdcall_def out_file library noname)
  set(_def "LIBRARY ${library}\nEXPORTS\n")
  foreach(_entry ${ARGN})
    string(REPLACE "/" ";" _parts ${_entry})
    list(GET _parts 0 _name)
    list(GET _parts 1 _bytes)
    list(LENGTH _parts _count)
    set(_line "    ${_name}")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND _line "@${_bytes}")
    endif()
    if(_count GREATER 2)
      list(GET _parts 2 _ordinal)
      string(APPEND _line " @${_ordinal}")
      if(noname)
        string(APPEND _line " NONAME")
      endif()
    endif()
    string(APPEND _def "${_line}\n")
  endforeach()
  # Rewritten only when it changes, so a configure run relinks nothing.
  set(_old "")
  if(EXISTS ${out_file})
    file(READ ${out_file} _old)
  endif()
  if(NOT _old STREQUAL _def)
    file(WRITE ${out_file} "${_def}")
  endif()
endfunction()

function(tovrin_stdcall_dll target file_name)
  set(_def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  tovrin_stdcall_def(${_def} ${file_name} FALSE ${ARGN})
  tovrin_dll(${target} ${file_name} ${_def})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} --input-def ${_def} --dllname ${file_name} --kill-at
              --output-lib $<TARGET_LINKER_FILE:${target}>)
  endif()
endfunction()

# An import library (imported target NAME) that binds the given exports of
# file_name by ordinal only, for programs that import them by number. Entries
# as for tovrin_stdcall_dll, each with its ordinal.
function(tovrin_ordinal_import_library name file_name)
  set(_def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
  tovrin_stdcall_def(${_def} ${file_name} TRUE ${ARGN})
  set(_lib ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/lib${name}.a)
  add_custom_command(OUTPUT ${_lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${_def} --dllname ${file_name} --output-lib ${_lib}
    DEPENDS ${_def}
    COMMENT "Import library ${name} (by ordinal)")
  add_custom_target(${name}_implib DEPENDS ${_lib})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${_lib})
  add_dependencies(${name} ${name}_implib)
endfunction()
