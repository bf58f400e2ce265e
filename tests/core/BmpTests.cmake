# Tests of the BMP reader and writer, and the conformance run over the shared corpus.
add_executable(glintfall_bmp_tests
  BmpReaderTest.cpp
  BmpWriterTest.cpp
  BmpSuiteTest.cpp
)
target_link_libraries(glintfall_bmp_tests PRIVATE glintfall_core glintfall_large_allocations GTest::gtest_main)
target_compile_definitions(glintfall_bmp_tests PRIVATE
  GLINTFALL_DEFAULT_BMPSUITE="${GLINTFALL_BMPSUITE}")
# The parameterised tables name their rows; the names alone make the test names.
gtest_discover_tests(glintfall_bmp_tests DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
