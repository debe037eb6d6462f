# cmake -DSOURCE=<utf-8 file> -DOUTPUT=<file> -DENCODING=<CP932|ASCII> -DICONV=<iconv> -P write_text_file.cmake
#
# Writes one text file of the program folder: line ends made CR LF (the form the files have
# on a Windows desktop, which the INI reader also expects when it rewrites nothing), then the
# text converted from UTF-8 to ENCODING. A character that ENCODING cannot hold fails the build
# instead of leaving a damaged or truncated file behind.
foreach(var SOURCE OUTPUT ENCODING ICONV)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "write_text_file.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${SOURCE}" text)
string(REPLACE "\r" "" text "${text}")
if(NOT text MATCHES "\n$")
  string(APPEND text "\n")
endif()
string(REPLACE "\n" "\r\n" text "${text}")

set(staged "${OUTPUT}.crlf.tmp")
set(converted "${OUTPUT}.tmp")
file(WRITE "${staged}" "${text}")
execute_process(
  COMMAND "${ICONV}" -f UTF-8 -t "${ENCODING}" "${staged}"
  OUTPUT_FILE "${converted}"
  ERROR_VARIABLE iconv_error
  RESULT_VARIABLE iconv_result)
file(REMOVE "${staged}")
if(NOT iconv_result EQUAL 0)
  file(REMOVE "${converted}")
  message(FATAL_ERROR "${SOURCE}: cannot be converted to ${ENCODING}: ${iconv_error}")
endif()
file(RENAME "${converted}" "${OUTPUT}")
