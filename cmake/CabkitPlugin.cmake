# cabkit_add_plugin(<Name> SOURCES <files...> LIBRARIES <targets...>)
#
# Builds one plug-in as a self-contained shared library named exactly <Name>
# (no lib prefix) in ${CABKIT_PLUGIN_DIR}. It exports the sixteen host
# functions and nothing else: hidden visibility by default, and the linker
# is told the export list so that no stray symbol escapes.
set(CABKIT_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/plugin-exports.map)
set(CABKIT_EXPORTS_DEF ${CMAKE_CURRENT_LIST_DIR}/plugin-exports.def)

function(cabkit_add_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} cabkit_host cabkit_strict_warnings)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CABKIT_PLUGIN_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${CABKIT_PLUGIN_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin-import)
  if(WIN32)
    # Undecorated names on 32-bit stdcall, and no runtime DLLs beside ours.
    target_sources(${name} PRIVATE ${CABKIT_EXPORTS_DEF})
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  else()
    target_link_options(${name} PRIVATE -Wl,--version-script=${CABKIT_EXPORTS_MAP} -Wl,--exclude-libs,ALL)
    if(NOT CABKIT_BUILD_FUZZ)
      # In the fuzz build the sanitizer and coverage runtimes live in the
      # fuzzer executable that loads the plug-in, so those stay undefined.
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${CABKIT_EXPORTS_MAP})
  endif()
endfunction()
