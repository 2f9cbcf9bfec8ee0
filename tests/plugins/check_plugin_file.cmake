# cmake -DPLUGIN=<path> -P check_plugin_file.cmake
# Fails unless the shared object exports exactly the sixteen host functions
# and needs no library but the system's C and C++ runtime.
set(expected Dispose DoorClose DoorOpen Elapse GetPluginVersion HornBlow Initialize KeyDown KeyUp Load
             SetBeaconData SetBrake SetPower SetReverser SetSignal SetVehicleSpec)

execute_process(COMMAND nm -D --defined-only ${PLUGIN} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PLUGIN}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${PLUGIN} exports:\n  ${names}\nexpected exactly:\n  ${expected}")
endif()

execute_process(COMMAND readelf -d ${PLUGIN} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
foreach(entry IN LISTS needed)
  string(REGEX REPLACE "Shared library: \\[(.+)\\]" "\\1" lib "${entry}")
  set(allowed "libc|libm|libstdc\\+\\+|libgcc_s|ld-linux.*|libdl|libpthread")
  if(EXTRA_RUNTIME)
    string(APPEND allowed "|${EXTRA_RUNTIME}")
  endif()
  if(NOT lib MATCHES "^(${allowed})\\.so")
    message(FATAL_ERROR "${PLUGIN} depends on ${lib}")
  endif()
endforeach()
message(STATUS "${PLUGIN}: 16 exports; needs ${needed}")
