# Run by ctest as it starts (a TEST_INCLUDE_FILES script, given python, dir and files):
# each test pytest collects from the files is one CTest test, static_<group>_<test>,
# check_hardening.py::test_NX_COMPAT[i686] becoming static_hardening_NX_COMPAT_i686. A file
# that cannot be collected is one failing test, static_<group>_collection; no test at
# all (no pytest, say), static_collection.
set(pytest ${python} -B -m pytest -q --tb=short -p no:cacheprovider)
execute_process(COMMAND ${pytest} --collect-only --continue-on-collection-errors ${files}
                WORKING_DIRECTORY ${dir} OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REGEX MATCHALL "check_[a-z_]+\\.py::[^\n]+|ERROR check_[a-z_]+\\.py" ids "${out}")
if(NOT ids)
  add_test(static_collection ${pytest} --collect-only ${files})
  set_tests_properties(static_collection PROPERTIES LABELS static WORKING_DIRECTORY ${dir})
endif()
foreach(id IN LISTS ids)
  if(id MATCHES "^ERROR (check_([a-z_]+)\\.py)")
    set(name static_${CMAKE_MATCH_2}_collection)
    add_test(${name} ${pytest} --collect-only ${CMAKE_MATCH_1})
  else()
    string(REGEX REPLACE "^check_([a-z_]+)\\.py::test_?" "static_\\1_" name "${id}")
    string(REGEX REPLACE "[[-]" "_" name "${name}")
    string(REPLACE "]" "" name "${name}")
    string(REPLACE "__" "_" name "${name}")
    add_test(${name} ${pytest} ${id})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS static WORKING_DIRECTORY ${dir})
endforeach()
