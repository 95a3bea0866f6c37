# Included by CTest after the discovered tests: GTK keeps process-wide caches
# that LeakSanitizer would report.
if(COMMAND set_tests_properties)
  set_tests_properties(ShadowGtk.ShownOnlyWhenTheScreenIsCompositedAndFollowsItsOwner PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
