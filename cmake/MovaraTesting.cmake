# movara_add_test_suite(NAME SOURCES ... LIBRARIES ... [PROPERTIES ...])
# One GoogleTest executable per subsystem; its tests are listed by running it
# under Wine at test time (the build itself does not need Wine running).
# A test without a TIMEOUT of its suite's own ends after 300 s (ctest's
# default is 1,500), so a hang fails soon and says which test it was.
function(movara_add_test_suite name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;PROPERTIES" ${ARGN})
  if(NOT "TIMEOUT" IN_LIST ARG_PROPERTIES)
    list(APPEND ARG_PROPERTIES TIMEOUT 300)
  endif()
  # Each test carries its suite's name as label: ctest -L selects suites.
  list(APPEND ARG_PROPERTIES LABELS ${name})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE movara_test_support ${ARG_LIBRARIES} GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    PROPERTIES ${ARG_PROPERTIES})
endfunction()
