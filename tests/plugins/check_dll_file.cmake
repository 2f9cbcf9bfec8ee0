# cmake -DPLUGIN=<dll> -DOBJDUMP=<target objdump> [-DSTDCALL=ON] -P check_dll_file.cmake
#
# Fails unless the Windows DLL
# - exports exactly the sixteen host functions under their bare names (no
#   @N suffix, no leading underscore), none of them forwarded elsewhere;
# - imports no DLL but KERNEL32 and msvcrt, which every Windows has, so it
#   loads from a folder with nothing else in it;
# - with STDCALL, pops its own arguments on return in every export that takes
#   any: the 32-bit host calls with stdcall, and a cdecl export would leave
#   the host's stack unbalanced after each call.
cmake_minimum_required(VERSION 3.25)

set(expected Dispose DoorClose DoorOpen Elapse GetPluginVersion HornBlow Initialize KeyDown KeyUp Load
             SetBeaconData SetBrake SetPower SetReverser SetSignal SetVehicleSpec)
set(allowed_imports kernel32.dll msvcrt.dll)

# Bytes of arguments each export's callee removes under stdcall. Elapse
# takes a 40-byte state and two pointers, plus the hidden pointer to the
# 16-byte HandleCommand it returns. Exports without arguments are left out:
# a plain ret is the same in both conventions.
set(stdcall_pops
    SetVehicleSpec=20 Initialize=4 Elapse=52 SetPower=4 SetBrake=4 SetReverser=4 KeyDown=4 KeyUp=4
    HornBlow=4 SetSignal=4 SetBeaconData=16)

execute_process(COMMAND ${OBJDUMP} -p ${PLUGIN} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${PLUGIN}")
endif()
# CMake lists split at ';' except inside square brackets: swap both out
# before cutting the dump into lines.
string(REPLACE ";" "," headers "${headers}")
string(REPLACE "[" "<" headers "${headers}")
string(REPLACE "]" ">" headers "${headers}")
string(REPLACE "\n" ";" lines "${headers}")

# Walk the dump once: imported DLL names, the export address table (index ->
# RVA) and the name table (name -> index) that follows it.
set(imports "")
set(names "")
set(section "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^ImageBase[ \t]+([0-9a-fA-F]+)$")
    set(image_base "0x${CMAKE_MATCH_1}")
  elseif(line MATCHES "^DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND imports ${dll})
  elseif(line MATCHES "^Export Address Table -- ")
    set(section addresses)
  elseif(line MATCHES "^<Ordinal/Name Pointer> Table")
    set(section names)
  elseif(line STREQUAL "")
    set(section "")
  elseif(section STREQUAL "addresses" AND line MATCHES "^< *([0-9]+)> \\+base< *[0-9]+> +([0-9a-fA-F]+) (.+)$")
    if(NOT CMAKE_MATCH_3 STREQUAL "Export RVA")
      message(FATAL_ERROR "${PLUGIN}: export ${CMAKE_MATCH_1} is a ${CMAKE_MATCH_3}")
    endif()
    set(rva_${CMAKE_MATCH_1} "0x${CMAKE_MATCH_2}")
  elseif(section STREQUAL "names" AND line MATCHES "^< *([0-9]+)> (.+)$")
    list(APPEND names "${CMAKE_MATCH_2}")
    set(index_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
  endif()
endforeach()

list(SORT names)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${PLUGIN} exports:\n  ${names}\nexpected exactly:\n  ${expected}")
endif()

if(NOT imports)
  message(FATAL_ERROR "${PLUGIN}: no import table found")
endif()
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST allowed_imports)
    message(FATAL_ERROR "${PLUGIN} imports ${dll}; only ${allowed_imports} may be needed")
  endif()
endforeach()

# The bytes popped by the first return reached from `address`, following
# tail calls: an export may end in a jump into the C++ method it forwards
# to (a thiscall method pops its own stack arguments too), and the return of
# that method is then the export's. A jump back into code already scanned is
# a loop, and the scan goes on past it.
function(popped_on_return address result)
  math(EXPR start "${address}" OUTPUT_FORMAT HEXADECIMAL)
  foreach(hop RANGE 7)
    math(EXPR stop "${start} + 4096" OUTPUT_FORMAT HEXADECIMAL)
    execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn --start-address=${start} --stop-address=${stop} ${PLUGIN}
                    OUTPUT_VARIABLE code RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${OBJDUMP} -d failed on ${PLUGIN}")
    endif()
    string(REPLACE ";" "," code "${code}")
    string(REPLACE "\n" ";" code "${code}")
    set(next "")
    foreach(line IN LISTS code)
      if(NOT line MATCHES "^ *([0-9a-f]+):\t(.*)$")
        continue()
      endif()
      set(here "0x${CMAKE_MATCH_1}")
      string(STRIP "${CMAKE_MATCH_2}" instruction)
      if(instruction MATCHES "^(repz? )?ret *$")
        set(${result} 0 PARENT_SCOPE)
        return()
      elseif(instruction MATCHES "^(repz? )?ret +\\$(0x[0-9a-f]+)")
        math(EXPR bytes "${CMAKE_MATCH_2}")
        set(${result} ${bytes} PARENT_SCOPE)
        return()
      elseif(instruction MATCHES "^(bnd )?jmp +(0x)?([0-9a-f]+)( |$)")  # 0x when there are no symbols
        math(EXPR target "0x${CMAKE_MATCH_3}")
        math(EXPR first "${start}")
        math(EXPR current "${here}")
        if(target LESS first OR target GREATER current)
          math(EXPR next "${target}" OUTPUT_FORMAT HEXADECIMAL)
          break()
        endif()
      endif()
    endforeach()
    if(next STREQUAL "")
      break()
    endif()
    set(start ${next})
  endforeach()
  set(${result} "" PARENT_SCOPE)
endfunction()

if(STDCALL)
  if(NOT DEFINED image_base)
    message(FATAL_ERROR "${PLUGIN}: no ImageBase in the headers")
  endif()
  foreach(entry IN LISTS stdcall_pops)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 bytes)
    set(index ${index_${name}})
    math(EXPR entry_address "${image_base} + ${rva_${index}}")
    popped_on_return(${entry_address} popped)
    if(popped STREQUAL "")
      message(FATAL_ERROR "${PLUGIN}: no return found from ${name}")
    endif()
    if(NOT popped EQUAL bytes)
      message(FATAL_ERROR "${PLUGIN}: ${name} pops ${popped} bytes on return, stdcall needs ${bytes}")
    endif()
  endforeach()
endif()

string(REPLACE ";" ", " imports_text "${imports}")
message(STATUS "${PLUGIN}: 16 bare exports; imports ${imports_text}")
