# The plug-in's code as one static library, and the plug-in module around it.
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)

# Portable code sits in its folder; code for one platform in platform/win32 or
# platform/posix (and likewise under vstgui/).
if(WIN32)
  set(BRELTO_PLATFORM win32)
else()
  set(BRELTO_PLATFORM posix)
endif()
add_library(brelto_base STATIC ${PROJECT_SOURCE_DIR}/base/Decimal.cpp ${PROJECT_SOURCE_DIR}/base/Text.cpp)
target_include_directories(brelto_base PUBLIC ${PROJECT_SOURCE_DIR})

file(GLOB BRELTO_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/host/*.cpp
  ${PROJECT_SOURCE_DIR}/core/*.cpp
  ${PROJECT_SOURCE_DIR}/dsp/*.cpp
  ${PROJECT_SOURCE_DIR}/platform/*.cpp
  ${PROJECT_SOURCE_DIR}/platform/${BRELTO_PLATFORM}/*.cpp)
list(REMOVE_ITEM BRELTO_CORE_SOURCES ${PROJECT_SOURCE_DIR}/host/Entry.cpp)

add_library(brelto_core STATIC ${BRELTO_CORE_SOURCES})
target_include_directories(brelto_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(brelto_core PUBLIC brelto_base)
set_target_properties(brelto_core PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

# The GUI toolkit and the editor base: portable tree logic in vstgui/, one
# drawing backend chosen by folder. An object library, so that all of it is
# in the plug-in module even before the editor uses it, and so that programs
# without a GUI keep linking brelto_core alone.
if(WIN32)
  set(BRELTO_GUI_BACKEND win32)
else()
  set(BRELTO_GUI_BACKEND software)
endif()
file(GLOB BRELTO_VSTGUI_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/vstgui/*.cpp
  ${PROJECT_SOURCE_DIR}/vstgui/${BRELTO_GUI_BACKEND}/*.cpp
  ${PROJECT_SOURCE_DIR}/editor/*.cpp)
add_library(brelto_vstgui OBJECT ${BRELTO_VSTGUI_SOURCES})
target_link_libraries(brelto_vstgui PUBLIC brelto_core)
set_target_properties(brelto_vstgui PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
if(WIN32)
  # msimg32.dll is looked up at run time, never linked.
  target_link_libraries(brelto_vstgui PUBLIC gdiplus ole32 shell32 gdi32 user32 uuid)
else()
  find_package(Freetype REQUIRED)
  target_link_libraries(brelto_vstgui PUBLIC Freetype::Freetype)
endif()

add_library(Brelto MODULE ${PROJECT_SOURCE_DIR}/host/Entry.cpp)
target_link_libraries(Brelto PRIVATE brelto_vstgui brelto_core)
brelto_add_resources(Brelto)
set_target_properties(Brelto PROPERTIES PREFIX ""
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
if(WIN32)
  # The definition file names the two exports; nothing else leaves the DLL.
  target_sources(Brelto PRIVATE ${PROJECT_SOURCE_DIR}/host/Brelto.def)
else()
  target_link_options(Brelto PRIVATE
    -static-libgcc -static-libstdc++
    -Wl,--version-script=${PROJECT_SOURCE_DIR}/host/exports.map
    -Wl,--defsym=main=VSTPluginMain -Wl,--no-undefined)
  set_target_properties(Brelto PROPERTIES LINK_DEPENDS ${PROJECT_SOURCE_DIR}/host/exports.map)
endif()
