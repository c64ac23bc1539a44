# The plug-in's resources come from resources/Brelto.rc, and where the
# software backend draws text, the font it reads from resources/SoftwareFont.rc.
# Windows targets compile them with windres; Linux targets get a generated
# table of the same files embedded with .incbin, read through
# platform::findResource.
set(BRELTO_RESOURCE_SCRIPTS ${PROJECT_SOURCE_DIR}/resources/Brelto.rc)
if(BRELTO_GUI_BACKEND STREQUAL software)
  list(APPEND BRELTO_RESOURCE_SCRIPTS ${PROJECT_SOURCE_DIR}/resources/SoftwareFont.rc)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BRELTO_RESOURCE_SCRIPTS})

set(brelto_resource_lines "")
foreach(script IN LISTS BRELTO_RESOURCE_SCRIPTS)
  file(STRINGS ${script} lines REGEX "^[0-9]+[ \t]+[A-Za-z]+[ \t]+\"[^\"]+\"")
  list(APPEND brelto_resource_lines ${lines})
endforeach()
set(brelto_rc "")
set(brelto_asm "")
set(brelto_entries "")
set(brelto_resource_files "")
set(n 0)
foreach(line IN LISTS brelto_resource_lines)
  string(REGEX MATCH "^([0-9]+)[ \t]+([A-Za-z]+)[ \t]+\"([^\"]+)\"" _ "${line}")
  set(id ${CMAKE_MATCH_1})
  set(type ${CMAKE_MATCH_2})
  set(file ${PROJECT_SOURCE_DIR}/resources/${CMAKE_MATCH_3})
  list(APPEND brelto_resource_files ${file})
  string(APPEND brelto_rc "${id} ${type} \"${file}\"\n")
  string(APPEND brelto_asm
    "asm(\".section .rodata\\n.balign 16\\nbrelto_resource_${n}:\\n.incbin \\\"${file}\\\"\\nbrelto_resource_${n}_end:\\n.previous\");\n"
    "extern \"C\" const unsigned char brelto_resource_${n}[], brelto_resource_${n}_end[];\n")
  string(APPEND brelto_entries
    "    {\"${type}\", ${id}, brelto_resource_${n}, brelto_resource_${n}_end},\n")
  math(EXPR n "${n} + 1")
endforeach()

if(WIN32)
  set(BRELTO_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/Brelto.rc)
  file(CONFIGURE OUTPUT ${BRELTO_RESOURCE_SOURCE} CONTENT "${brelto_rc}" @ONLY)
else()
  set(BRELTO_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/EmbeddedResources.cpp)
  file(CONFIGURE OUTPUT ${BRELTO_RESOURCE_SOURCE} CONTENT
"// Generated from the scripts in resources/; do not edit.
#include \"platform/EmbeddedResources.h\"

${brelto_asm}
namespace platform {
const EmbeddedResource* embeddedResources() {
    static const EmbeddedResource table[] = {
${brelto_entries}        {nullptr, 0, nullptr, nullptr},
    };
    return table;
}
} // namespace platform
" @ONLY)
endif()
set_source_files_properties(${BRELTO_RESOURCE_SOURCE} PROPERTIES
  OBJECT_DEPENDS "${brelto_resource_files}")

# Gives a module or program the plug-in's resources.
function(brelto_add_resources target)
  # windres refuses a script without resources.
  if(WIN32 AND NOT brelto_resource_files)
    return()
  endif()
  target_sources(${target} PRIVATE ${BRELTO_RESOURCE_SOURCE})
  if(NOT WIN32)
    target_link_libraries(${target} PRIVATE brelto_platform)
  endif()
endfunction()
