# Runs the programs of a 64-bit Windows cross build under wine64, so that
# gtest_discover_tests and ctest work as in a native build.
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

if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  # This machine's kernel cannot run 32-bit programs: 32-bit builds are
  # checked through their export and import tables only.
  set(CABKIT_TESTS_RUNNABLE FALSE)
  return()
endif()

find_program(CABKIT_WINE64 NAMES wine64 HINTS /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin
             DOC "wine64 loader that runs the test programs")
find_program(CABKIT_ENV env)
if(NOT CABKIT_WINE64 OR NOT CABKIT_ENV)
  message(WARNING "wine64 not found: the Windows test programs are built but not run")
  set(CABKIT_TESTS_RUNNABLE FALSE)
  return()
endif()

set(CABKIT_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "wine prefix the tests run in")
# mscoree and mshtml off: the prefix then never offers to download runtimes.
# wine-run.sh keeps wine's background services off the caller's output.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CABKIT_ENV} WINEPREFIX=${CABKIT_WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
    ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CABKIT_WINE64})
