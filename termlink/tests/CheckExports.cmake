# Fails unless the library exports exactly the functions of termlink_functions.h.
include(${CMAKE_CURRENT_LIST_DIR}/../TermlinkFunctions.cmake)
execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${LIBRARY}
                OUTPUT_VARIABLE nm_out RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" exported "${nm_out}")
termlink_function_names(${LIST} listed)
list(SORT exported)
list(SORT listed)
list(LENGTH listed n)
if(NOT exported STREQUAL listed)
  message(FATAL_ERROR "exports differ from termlink_functions.h\n"
                      "exported: ${exported}\nlisted:   ${listed}")
endif()
message(STATUS "libtermlink.so exports exactly the ${n} functions of termlink_functions.h")
