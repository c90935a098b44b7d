# Read by CTest after the discovered tests: the GoogleTest cases of this folder carry the label
# "views" too (a discovered test takes one label only).
foreach(name IN LISTS novra_view_helper_test_list novra_window_test_list)
  set_tests_properties("${name}" PROPERTIES LABELS "integration;views")
endforeach()
