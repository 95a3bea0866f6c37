# Included by CTest after the discovered tests: GTK and fontconfig keep
# process-wide caches that LeakSanitizer reports as leaks.
if(COMMAND set_tests_properties)
  set_tests_properties(ToolkitGtk.WindowMapsAndPaints PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
