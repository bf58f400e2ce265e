# Fails when a parameterised test of the given programs prints its parameter as a dump of bytes,
# which makes test names and failure messages unreadable and different from build to build.
# Run as: cmake -DPROGRAMS="a;b" -P TestNamesCheck.cmake
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND "${program}" --gtest_list_tests
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${program} cannot list its tests")
  endif()
  string(REGEX MATCH "[^\n]*-byte object <[^\n]*" dump "${listing}")
  if(dump)
    message(FATAL_ERROR "A parameter prints as bytes; give it a PrintTo:\n${dump}")
  endif()
endforeach()
message(STATUS "Every parameter prints as words")
