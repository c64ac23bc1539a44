# The plug-in module: the entry point around the layers. The toolkit and the
# editor go in whole, so that the module links every part of them even before
# the plug-in opens an editor.
add_library(Brelto MODULE ${PROJECT_SOURCE_DIR}/host/Entry.cpp)
target_link_libraries(Brelto PRIVATE brelto_editor brelto_vstgui brelto_core)
target_link_options(Brelto PRIVATE -Wl,--whole-archive $<TARGET_FILE:brelto_editor>
  $<TARGET_FILE:brelto_vstgui> -Wl,--no-whole-archive)
brelto_add_resources(Brelto)
set_target_properties(Brelto PROPERTIES PREFIX "")
if(WIN32)
  # The definition file names the two exports; nothing else leaves the DLL.
  target_sources(Brelto PRIVATE ${PROJECT_SOURCE_DIR}/host/Brelto.def)
else()
  target_link_options(Brelto PRIVATE
    -Wl,--version-script=${PROJECT_SOURCE_DIR}/host/exports.map
    -Wl,--defsym=main=VSTPluginMain -Wl,--no-undefined)
  # The C++ runtime goes in the module, except under a sanitizer: each load
  # of a runtime of its own would leave its exception pool behind when the
  # module is unloaded, which LeakSanitizer rightly reports.
  if(NOT BRELTO_SANITIZE)
    target_link_options(Brelto PRIVATE -static-libgcc -static-libstdc++)
  endif()
  set_target_properties(Brelto PROPERTIES LINK_DEPENDS ${PROJECT_SOURCE_DIR}/host/exports.map)
endif()
