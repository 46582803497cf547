# Runs a Windows test program under Wine and prints its results, which Qt
# Test writes to a file: its standard output does not reach the terminal.
file(REMOVE ${RESULTS})
execute_process(COMMAND wine ${PROGRAM} -o ${RESULTS},txt RESULT_VARIABLE status)
file(READ ${RESULTS} results)
message("${results}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ended with ${status}")
endif()
