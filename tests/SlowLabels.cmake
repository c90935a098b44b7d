# Read by CTest after the discovered tests: the slow cases carry their folder's label and "slow",
# and start first, so that their waiting overlaps the other tests.
foreach(kind unit integration)
  foreach(name IN LISTS novra_${kind}_slow_tests)
    set_tests_properties("${name}" PROPERTIES LABELS "${kind};slow" COST 10000)
  endforeach()
endforeach()
