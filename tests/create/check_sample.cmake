# check_sample.cmake: the shipped Samples/sample.mdb is exactly what bench/make_sample makes.
# Run with -DMAKE_SAMPLE=... -DSAMPLE=... -DSCRATCH=...
file(REMOVE ${SCRATCH})
execute_process(COMMAND ${MAKE_SAMPLE} ${SCRATCH} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "make_sample failed (${made})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${SAMPLE} RESULT_VARIABLE same)
file(REMOVE ${SCRATCH})
if(NOT same EQUAL 0)
  message(FATAL_ERROR "Samples/sample.mdb differs from what bench/make_sample makes: rebuild it")
endif()
