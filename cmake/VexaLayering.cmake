# How a library shows its headers to the targets that use it.
#
# Every header is included by its path from the tree's root ("kaso/ui/Widget.h"), but no target
# gets the root itself as an include directory: that would let anything include anything. Each
# library instead owns one folder in the build tree, ${CMAKE_BINARY_DIR}/include/<target>, that
# holds only its own source folder (a symlink at the folder's root-relative path) and is the one
# include directory the library exports. A target can therefore include exactly the headers of
# itself and of the libraries it links, and a header of a layer above fails to compile:
#
#   build/include/kaso_ui/kaso/ui             -> <source>/kaso/ui
#   build/include/vexa_backend/src/backend    -> <source>/src/backend
#   build/include/vexa_sample/src/backend/SampleCatalogue.h -> <source>/src/backend/SampleCatalogue.h
#
# The last form (HEADERS) is for a library that shares its folder with another and exports only
# some of the folder's headers.
#
# Every library made here is recorded, with its folder and the in-tree libraries it links, in
# ${CMAKE_BINARY_DIR}/layering/targets.txt, which the layering test checks against the rules.

set(VEXA_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/include)

function(_vexa_link path target)
  get_filename_component(parent ${path} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(IS_SYMLINK ${path})
    file(READ_SYMLINK ${path} current)
    if(current STREQUAL target)
      return()
    endif()
    file(REMOVE ${path})
  endif()
  file(CREATE_LINK ${target} ${path} SYMBOLIC)
endfunction()

# vexa_export_headers(<target> FOLDER <root-relative folder> [HEADERS <file names...>])
function(vexa_export_headers target)
  cmake_parse_arguments(E "" "FOLDER" "HEADERS" ${ARGN})
  if(NOT E_FOLDER)
    message(FATAL_ERROR "vexa_export_headers(${target}): FOLDER is required")
  endif()
  set(root ${VEXA_INCLUDE_ROOT}/${target})
  if(E_HEADERS)
    foreach(header ${E_HEADERS})
      _vexa_link(${root}/${E_FOLDER}/${header} ${CMAKE_SOURCE_DIR}/${E_FOLDER}/${header})
    endforeach()
  else()
    _vexa_link(${root}/${E_FOLDER} ${CMAKE_SOURCE_DIR}/${E_FOLDER})
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
  set_property(GLOBAL APPEND PROPERTY VEXA_LAYERED_TARGETS ${target})
  set_property(TARGET ${target} PROPERTY VEXA_FOLDER ${E_FOLDER})
endfunction()

# Writes the record of every library above. Called once, after all of them are made.
function(vexa_write_layering_record)
  get_property(targets GLOBAL PROPERTY VEXA_LAYERED_TARGETS)
  set(text "# target folder include-directories -- linked in-tree libraries\n")
  foreach(target ${targets})
    get_target_property(folder ${target} VEXA_FOLDER)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL INTERFACE_LIBRARY)
      set(links "")
    else()
      get_target_property(links ${target} LINK_LIBRARIES)
    endif()
    get_target_property(interface_links ${target} INTERFACE_LINK_LIBRARIES)
    get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
    set(in_tree "")
    foreach(link ${links} ${interface_links})
      if(link IN_LIST targets AND NOT link IN_LIST in_tree)
        list(APPEND in_tree ${link})
      endif()
    endforeach()
    list(JOIN includes " " includes)
    list(JOIN in_tree " " in_tree)
    string(APPEND text "${target} ${folder} ${includes} -- ${in_tree}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/layering/targets.txt "${text}")
endfunction()

# The include folder of the test suite's own helpers ("tests/backend/LoopbackServer.h"), for the
# tests and the benchmarks that share them. It holds the tests folder only.
function(vexa_test_include_folder out)
  _vexa_link(${VEXA_INCLUDE_ROOT}/tests/tests ${CMAKE_SOURCE_DIR}/tests)
  set(${out} ${VEXA_INCLUDE_ROOT}/tests PARENT_SCOPE)
endfunction()
