# Warnings fail the build of our own code where the preset asks for it (the
# presets CI builds do); third-party headers come in as system headers.
option(LUMORA_WERROR "Treat compiler warnings in the project's own code as errors" OFF)

# libFuzzer builds (clang, bench/fuzz): all code gets ASan, UBSan and the
# fuzzer's coverage instrumentation; the fuzz targets add the fuzzer's main.
option(LUMORA_FUZZ "Build the libFuzzer targets of bench/fuzz (needs clang)" OFF)
if(LUMORA_FUZZ)
  add_compile_options(-O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer-no-link
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Common settings for every target of the project's own code.
function(lumora_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(LUMORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tracker/source/src)
endfunction()

# Test executables with the label "tsan" are also built and run under
# ThreadSanitizer; this target collects them.
if(NOT TARGET tsan_tests)
  add_custom_target(tsan_tests)
endif()

# lumora_test(name SOURCES ... LIBS ... [LABELS tsan ...] [RESOURCE_LOCK name]):
# one GoogleTest executable whose cases CTest runs one by one, each in a fresh
# temporary home (tests/support/TestMain). Suites that share something global
# (processes under the product's names) name the same RESOURCE_LOCK, so CTest
# never runs them side by side.
function(lumora_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  lumora_defaults(${name})
  target_link_libraries(${name} PRIVATE lumora_test_support ${T_LIBS} GTest::gtest GTest::gmock)
  # An empty LABELS value would swallow the property after it, so each one
  # is added only when it has a value.
  set(properties TIMEOUT 120)
  if(T_LABELS)
    list(APPEND properties LABELS "${T_LABELS}")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  if("tsan" IN_LIST T_LABELS)
    add_dependencies(tsan_tests ${name})
  endif()
endfunction()
