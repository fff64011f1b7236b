# Runs the bitmap generator into an empty directory and compares its PNGs with the checked-in ones:
# identical bytes, or else identical pixels (another zlib may pack the same image differently).
# Arguments: GENERATOR, CHECKED_IN, OUT.
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${GENERATOR}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qx9make_assets failed: ${status}")
endif()

file(GLOB generated RELATIVE "${OUT}" "${OUT}/*.png")
file(GLOB checked_in RELATIVE "${CHECKED_IN}" "${CHECKED_IN}/*.png")
if(NOT generated STREQUAL checked_in)
  message(FATAL_ERROR "generated [${generated}] differ from the checked-in [${checked_in}]")
endif()

set(stale "")
foreach(name IN LISTS generated)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${CHECKED_IN}/${name}"
                  RESULT_VARIABLE different)
  if(different)
    execute_process(COMMAND compare -metric AE "${OUT}/${name}" "${CHECKED_IN}/${name}" null:
                    RESULT_VARIABLE different ERROR_VARIABLE pixels)
    if(different)
      list(APPEND stale "${name} (${pixels} pixels)")
    endif()
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "out of date in assets/: ${stale} (rerun qx9make_assets assets/)")
endif()
