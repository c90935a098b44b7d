# Read by CTest after the discovered tests: the slow cases carry their folder's label and "slow".
foreach(kind unit integration)
  foreach(name IN LISTS novra_${kind}_slow_tests)
    set_tests_properties("${name}" PROPERTIES LABELS "${kind};slow")
  endforeach()
endforeach()
