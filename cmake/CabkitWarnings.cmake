# Warning sets. Plug-in and platform code gets the strict set; tests and
# tools a slightly lighter one, since test macros trip the conversion checks.
add_library(cabkit_strict_warnings INTERFACE)
target_compile_options(cabkit_strict_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wconversion -Wsign-conversion -Wshadow -Wold-style-cast -Wcast-align
  -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion
  -Wformat=2 -Wimplicit-fallthrough -Wundef -Wcast-qual)

add_library(cabkit_tool_warnings INTERFACE)
target_compile_options(cabkit_tool_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor)
