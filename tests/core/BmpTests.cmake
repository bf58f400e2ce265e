# Tests of the BMP reader and writer, and the conformance run over the shared corpus.
add_executable(glintfall_bmp_tests
  BmpReaderTest.cpp
  BmpWriterTest.cpp
  BmpSuiteTest.cpp
)
target_link_libraries(glintfall_bmp_tests PRIVATE glintfall_core GTest::gtest_main)
target_compile_definitions(glintfall_bmp_tests PRIVATE
  GLINTFALL_DEFAULT_BMPSUITE="${PROJECT_SOURCE_DIR}/../shared/bmpsuite")
gtest_discover_tests(glintfall_bmp_tests DISCOVERY_MODE PRE_TEST)
