# One library per folder. The headers of a library are found through an
# include root of its own in the build folder, which holds only that folder:
# "#include "dsp/X.h"" compiles only in targets that link brelto_dsp, so a
# layer that includes one it does not link fails to build.

# Gives target an include root holding the named folders or single files of the
# source tree at their own paths.
function(brelto_include_root target scope)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  foreach(path IN LISTS ARGN)
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# The static library of one folder: its sources, those of the sub-folders named
# (one platform's or one backend's) without those excluded, and its include root.
function(brelto_folder_library target folder)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "SUBFOLDERS;EXCLUDE")
  set(patterns ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  foreach(sub IN LISTS ARG_SUBFOLDERS)
    list(APPEND patterns ${PROJECT_SOURCE_DIR}/${folder}/${sub}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${folder}/${excluded})
  endforeach()
  add_library(${target} STATIC ${sources})
  brelto_include_root(${target} PUBLIC ${folder})
endfunction()
