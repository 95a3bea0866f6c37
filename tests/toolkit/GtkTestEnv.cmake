# Included by CTest after the discovered tests: GTK and fontconfig keep
# process-wide caches that LeakSanitizer reports as leaks.
if(COMMAND set_tests_properties AND toolkit_gtk_tests_TESTS)
  set_tests_properties(${toolkit_gtk_tests_TESTS} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
