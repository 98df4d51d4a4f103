include_guard(GLOBAL)
# script_checks(NAME SCRIPT LABEL SETUP CHECK...): the checks of a shell script that share
# one setup, each a CTest test NAME_CHECK (label LABEL) running `bash SCRIPT CHECK STATE`,
# STATE being the build tree's folder NAME, one at a time. `SCRIPT SETUP STATE` and
# `SCRIPT clean STATE` are the fixture NAME (label fixture), which ctest adds to any check
# it runs.
function(script_checks name script label setup)
  set(state ${CMAKE_CURRENT_BINARY_DIR}/${name})
  foreach(step ${setup} clean ${ARGN})
    add_test(NAME ${name}_${step} COMMAND bash ${script} ${step} ${state})
    set_tests_properties(${name}_${step} PROPERTIES LABELS ${label} FIXTURES_REQUIRED ${name}
                         RESOURCE_LOCK ${name})
  endforeach()
  set_tests_properties(${name}_${setup} ${name}_clean PROPERTIES LABELS fixture
                       FIXTURES_REQUIRED "")
  set_tests_properties(${name}_${setup} PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(${name}_clean PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()
