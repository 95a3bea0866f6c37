# Included by CTest after the discovered tests: GTK keeps process-wide caches
# that LeakSanitizer would report.
if(COMMAND set_tests_properties AND ui_gtk_tests_TESTS)
  set_tests_properties(${ui_gtk_tests_TESTS} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
