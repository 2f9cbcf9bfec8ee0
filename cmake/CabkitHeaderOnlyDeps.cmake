# simhost's libraries in a Windows cross build. CLI11, toml++ and
# nlohmann-json are header-only; fmt's compiled part is built here once, from
# its headers (fmt_compiled_once.cpp). The cross compiler gets
# their Debian headers, and only those: the folders are linked into one of
# the build's own, since /usr/include as a whole holds the build machine's C
# library. The targets have the names the packages' own CMake files give,
# so sim/ reads the same on every system.
set(header_root ${CMAKE_BINARY_DIR}/header-only-deps)
file(MAKE_DIRECTORY ${header_root})
foreach(folder fmt CLI toml++ nlohmann)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.sh windows")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${header_root}/${folder} SYMBOLIC)
endforeach()

foreach(target CLI11::CLI11 tomlplusplus::tomlplusplus nlohmann_json::nlohmann_json)
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} SYSTEM INTERFACE ${header_root})
endforeach()
add_library(cabkit_fmt STATIC ${CMAKE_CURRENT_LIST_DIR}/fmt_compiled_once.cpp)
target_include_directories(cabkit_fmt SYSTEM PUBLIC ${header_root})
add_library(fmt::fmt ALIAS cabkit_fmt)
target_compile_definitions(tomlplusplus::tomlplusplus INTERFACE TOML_HEADER_ONLY=1)
