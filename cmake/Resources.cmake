# The plug-in's resources come from one script, resources/Brelto.rc. Windows
# targets compile it with windres; Linux targets get a generated table of the
# same files embedded with .incbin, read through platform::findResource.
set(BRELTO_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/resources/Brelto.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BRELTO_RESOURCE_SCRIPT})

file(STRINGS ${BRELTO_RESOURCE_SCRIPT} brelto_resource_lines
     REGEX "^[0-9]+[ \t]+[A-Za-z]+[ \t]+\"[^\"]+\"")
set(brelto_rc "")
set(brelto_asm "")
set(brelto_entries "")
set(brelto_resource_files "")
set(n 0)
# One resource into the Linux table (embedded with .incbin) and the Windows script.
macro(brelto_embed id type file)
  list(APPEND brelto_resource_files ${file})
  string(APPEND brelto_rc "${id} ${type} \"${file}\"\n")
  string(APPEND brelto_asm
    "asm(\".section .rodata\\n.balign 16\\nbrelto_resource_${n}:\\n.incbin \\\"${file}\\\"\\nbrelto_resource_${n}_end:\\n.previous\");\n"
    "extern \"C\" const unsigned char brelto_resource_${n}[], brelto_resource_${n}_end[];\n")
  string(APPEND brelto_entries
    "    {\"${type}\", ${id}, brelto_resource_${n}, brelto_resource_${n}_end},\n")
  math(EXPR n "${n} + 1")
endmacro()
foreach(line IN LISTS brelto_resource_lines)
  string(REGEX MATCH "^([0-9]+)[ \t]+([A-Za-z]+)[ \t]+\"([^\"]+)\"" _ "${line}")
  brelto_embed(${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${PROJECT_SOURCE_DIR}/resources/${CMAKE_MATCH_3})
endforeach()

# The Linux module also carries the glyphs of its text, rendered at build time
# from the font in resources/ (Windows draws text with its own fonts).
if(NOT WIN32)
  set(BRELTO_GLYPH_FILE ${CMAKE_BINARY_DIR}/generated/Glyphs.bin)
  set(BRELTO_GLYPH_FONT ${PROJECT_SOURCE_DIR}/resources/LiberationSans-Regular.ttf)
  add_custom_command(OUTPUT ${BRELTO_GLYPH_FILE}
    COMMAND brelto-make-glyphs ${BRELTO_GLYPH_FONT} ${BRELTO_GLYPH_FILE}
    DEPENDS brelto-make-glyphs ${BRELTO_GLYPH_FONT}
    COMMENT "Rendering the glyphs of the software backend's text")
  add_custom_target(brelto_glyphs DEPENDS ${BRELTO_GLYPH_FILE})
  brelto_embed(301 GLYPHS ${BRELTO_GLYPH_FILE})
endif()

if(WIN32)
  set(BRELTO_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/Brelto.rc)
  file(CONFIGURE OUTPUT ${BRELTO_RESOURCE_SOURCE} CONTENT "${brelto_rc}" @ONLY)
else()
  set(BRELTO_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/EmbeddedResources.cpp)
  file(CONFIGURE OUTPUT ${BRELTO_RESOURCE_SOURCE} CONTENT
"// Generated from resources/Brelto.rc; do not edit.
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

# Gives a module or program the plug-in's resources.
function(brelto_add_resources target)
  # windres refuses a script without resources.
  if(WIN32 AND NOT brelto_resource_files)
    return()
  endif()
  target_sources(${target} PRIVATE ${BRELTO_RESOURCE_SOURCE})
  if(NOT WIN32)
    add_dependencies(${target} brelto_glyphs)
  endif()
  # Source properties belong to a folder: set them where the target is, so
  # that targets in sub-folders also rebuild when a resource file changes.
  set_source_files_properties(${BRELTO_RESOURCE_SOURCE} TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${brelto_resource_files}")
  if(NOT WIN32)
    target_link_libraries(${target} PRIVATE brelto_platform)
  endif()
endfunction()
