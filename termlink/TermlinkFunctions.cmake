# The names of the library's functions, read from their one list,
# include/termlink_functions.h, where every entry starts its line with "X(".
# Used at configure time (the version script) and by the exports check.
function(termlink_function_names list_file out)
  file(READ ${list_file} text)
  string(REGEX MATCHALL "\n[ \t]*X\\([^,\n]+,[ \t]*[A-Za-z_][A-Za-z_0-9]*" entries "${text}")
  set(names)
  foreach(entry ${entries})
    string(REGEX REPLACE ".*[ \t,]([A-Za-z_][A-Za-z_0-9]*)$" "\\1" name "${entry}")
    list(APPEND names ${name})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "no function entries found in ${list_file}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()
