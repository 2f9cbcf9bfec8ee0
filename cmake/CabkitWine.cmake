# Runs the programs of a Windows cross build under wine, so that
# gtest_discover_tests and ctest work as in a native build: 64-bit programs
# under wine64, 32-bit ones under the 32-bit wine loader, where this machine
# executes 32-bit x86 code at all (scripts/can-run-i386.sh tries it).
#
# The wine prefix lives in the build folder: a fresh clone never touches the
# user's own prefix, and deleting the build folder removes it. Its first start
# takes a while; scripts/stages/windows.sh creates it once, up front.
set(CABKIT_TESTS_RUNNABLE TRUE)
if(NOT CMAKE_CROSSCOMPILING)
  return()
endif()

if(CMAKE_CROSSCOMPILING_EMULATOR)
  return()  # the user brought their own
endif()

set(CABKIT_TESTS_RUNNABLE FALSE)
if(NOT WIN32)
  # The 32-bit Linux build (toolchain-linux-i686.cmake) needs no emulator,
  # only a kernel that executes i386 programs.
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/can-run-i386.sh
                    RESULT_VARIABLE i386_status OUTPUT_VARIABLE i386_why OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(i386_status EQUAL 0)
      set(CABKIT_I386_MISSING "" CACHE INTERNAL "")
      set(CABKIT_TESTS_RUNNABLE TRUE)
    else()
      set(CABKIT_I386_MISSING "${i386_why}" CACHE INTERNAL "")
      message(STATUS "32-bit test programs are built but not run: ${i386_why}")
    endif()
  endif()
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(CABKIT_WINE NAMES wine64 HINTS /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin
               DOC "wine loader that runs the test programs")
  set(wine_arch win64)
else()
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/can-run-i386.sh
                  RESULT_VARIABLE i386_status OUTPUT_VARIABLE i386_why OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT i386_status EQUAL 0)
    set(CABKIT_WINE_MISSING "this machine cannot run 32-bit programs: ${i386_why}" CACHE INTERNAL "")
    message(STATUS "32-bit test programs are built but not run: ${CABKIT_WINE_MISSING}")
    return()
  endif()
  # Debian's wine32 puts its 32-bit loader here; /usr/bin/wine may be a
  # wrapper that picks wine64.
  find_program(CABKIT_WINE NAMES wine HINTS /usr/lib/wine /usr/lib/i386-linux-gnu/wine /opt/wine-stable/bin
               NO_DEFAULT_PATH DOC "wine loader that runs the test programs")
  set(wine_arch win32)
endif()
find_program(CABKIT_ENV env)
if(NOT CABKIT_WINE OR NOT CABKIT_ENV)
  set(CABKIT_WINE_MISSING "no ${wine_arch} wine loader (scripts/install-deps.sh windows tries to install it)" CACHE INTERNAL "")
  message(WARNING "test programs are built but not run: ${CABKIT_WINE_MISSING}")
  return()
endif()
set(CABKIT_WINE_MISSING "" CACHE INTERNAL "")
set(CABKIT_TESTS_RUNNABLE TRUE)

set(CABKIT_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "wine prefix the tests run in")
# WINEARCH only matters when the prefix is made: a 32-bit build gets a
# 32-bit prefix. mscoree and mshtml off: the prefix then never offers to
# download runtimes. wine-run.sh keeps wine's background services off the
# caller's output.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CABKIT_ENV} WINEPREFIX=${CABKIT_WINEPREFIX} WINEARCH=${wine_arch} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CABKIT_WINE})
