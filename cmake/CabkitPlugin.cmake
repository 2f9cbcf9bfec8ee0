# cabkit_add_plugin(<Name> SOURCES <files...> LIBRARIES <targets...>)
#
# Builds one plug-in as a self-contained shared library named exactly <Name>
# (no lib prefix) in ${CABKIT_PLUGIN_DIR}. It exports the sixteen host
# functions and nothing else: hidden visibility by default, and the linker
# is told the export list so that no stray symbol escapes.
set(CABKIT_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/plugin-exports.map)
set(CABKIT_EXPORTS_DEF ${CMAKE_CURRENT_LIST_DIR}/plugin-exports.def)

# The export and link rules of a plug-in library, also used by the test
# stand-in plug-ins.
function(cabkit_plugin_link_rules target)
  if(WIN32)
    # The .def file names the exports: with it the linker exports those and
    # nothing else. On 32-bit the stdcall functions are named Elapse@48
    # and so on inside the objects: the fix-up lets the bare names of the
    # .def file resolve to them, and --kill-at keeps the @N out of the export
    # table, since the host looks the functions up by their bare names.
    # -static takes libgcc, libstdc++ and winpthread into the DLL, which then
    # imports only system DLLs (KERNEL32, msvcrt).
    target_sources(${target} PRIVATE ${CABKIT_EXPORTS_DEF})
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
    # Release DLLs go to users: no symbol table (the checks read the export
    # table, which stays).
    target_link_options(${target} PRIVATE $<$<CONFIG:Release>:-s>)
    set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  else()
    target_link_options(${target} PRIVATE -Wl,--version-script=${CABKIT_EXPORTS_MAP} -Wl,--exclude-libs,ALL)
    if(NOT CABKIT_BUILD_FUZZ)
      # In the fuzz build the sanitizer and coverage runtimes live in the
      # fuzzer executable that loads the plug-in, so those stay undefined.
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CABKIT_EXPORTS_MAP})
    set_target_properties(${target} PROPERTIES PREFIX "")
  endif()
endfunction()

function(cabkit_add_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} cabkit_host cabkit_strict_warnings)
  cabkit_plugin_link_rules(${name})
  set_target_properties(${name} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CABKIT_PLUGIN_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${CABKIT_PLUGIN_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin-import)
endfunction()
