# Common settings for every target of the project's own code.
function(lumora_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tracker/source/src)
endfunction()

# lumora_test(name SOURCES ... LIBS ...): one GoogleTest executable whose cases
# CTest runs one by one, each in a fresh temporary home (tests/support/TestMain).
function(lumora_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  lumora_defaults(${name})
  target_link_libraries(${name} PRIVATE lumora_test_support ${T_LIBS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 LABELS "${T_LABELS}")
endfunction()
