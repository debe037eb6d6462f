# cmake -DNM=<nm> -DLIBRARY=<libkestra.so> -P check_exports.cmake
# Fails unless the dynamic symbol table defines exactly the six Kestra functions.
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
                OUTPUT_VARIABLE listing ERROR_VARIABLE nm_error RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${nm_error}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(defined)
foreach(line IN LISTS lines)
  # "<address> <type> <name>"; a version node shows as an absolute symbol with a name too.
  if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] +([^ ]+)$")
    list(APPEND defined "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT defined)

set(expected Crc1 Crc16 GetCrc1 GetCrc16 IniCrc1 IniCrc16)
list(SORT expected)
if(NOT defined STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} defines [${defined}], expected exactly [${expected}]\n${listing}")
endif()
message(STATUS "exports: ${defined}")
