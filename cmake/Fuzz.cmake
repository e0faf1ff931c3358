# libFuzzer targets, built with TARIFON_FUZZ=ON by clang.  The whole tree is then compiled
# for coverage and with ASan and UBSan (top-level CMakeLists.txt), so a target links the
# libraries it tests like any program.  Each target's seed corpus is
# tests/fuzz/corpus/<target>/; `make fuzz` (scripts/fuzz.sh) builds the `fuzzers` target
# and runs every name listed in <build>/fuzz-targets.txt.

# tarifon_fuzz_target(<target> SOURCES ... LIBRARIES ...)
function(tarifon_fuzz_target target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  add_executable(${target} ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE tarifon_options ${arg_LIBRARIES})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  tarifon_check_includes(${target})
  set_property(GLOBAL APPEND PROPERTY TARIFON_FUZZ_TARGETS ${target})
endfunction()

# The `fuzzers` target and the list the script reads.  Call once, at the end.
function(tarifon_add_fuzz_list)
  if(NOT TARIFON_FUZZ)
    return()
  endif()
  get_property(targets GLOBAL PROPERTY TARIFON_FUZZ_TARGETS)
  add_custom_target(fuzzers DEPENDS ${targets})
  list(JOIN targets "\n" lines)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${lines}\n")
endfunction()
