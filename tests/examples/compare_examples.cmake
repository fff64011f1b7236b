# Runs the example generator into an empty directory and compares every file it writes, and the list of
# files, with the checked-in examples/. Arguments: GENERATOR, CHECKED_IN, OUT.
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${GENERATOR}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qx9make_examples failed: ${status}")
endif()

file(GLOB generated RELATIVE "${OUT}" "${OUT}/*")
file(GLOB checked_in RELATIVE "${CHECKED_IN}" "${CHECKED_IN}/*.OBJ")
list(APPEND checked_in README.md)
list(SORT generated)
list(SORT checked_in)
if(NOT generated STREQUAL checked_in)
  message(FATAL_ERROR "generated files [${generated}] differ from the checked-in [${checked_in}]")
endif()

set(stale "")
foreach(name IN LISTS generated)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${CHECKED_IN}/${name}"
                  RESULT_VARIABLE different)
  if(different)
    list(APPEND stale "${name}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "out of date in examples/: ${stale} (rerun qx9make_examples examples/)")
endif()
