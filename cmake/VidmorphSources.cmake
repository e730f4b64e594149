# Build files list their sources by name, so adding a file is a visible change. This check keeps a
# file that was put into a folder but into no list from being left out of the build unnoticed:
# configuring stops and names it. It only compares; no target takes its sources from a glob.
#
#   vidmorph_check_listed(GLOBS core/*.cpp engine/*.cpp LISTED ${all_listed_files})
#
# Paths are relative to the calling CMakeLists.txt's folder.
function(vidmorph_check_listed)
  cmake_parse_arguments(_arg "" "" "GLOBS;LISTED" ${ARGN})
  set(_patterns)
  foreach(_g ${_arg_GLOBS})
    list(APPEND _patterns ${CMAKE_CURRENT_SOURCE_DIR}/${_g})
  endforeach()
  file(GLOB _present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${_patterns})
  foreach(_f ${_present})
    if(NOT _f IN_LIST _arg_LISTED)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${_f} is in no source list: "
        "add it to ${CMAKE_CURRENT_LIST_FILE}")
    endif()
  endforeach()
endfunction()
