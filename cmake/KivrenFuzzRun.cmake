# Runs one fuzz target (see KivrenFuzz.cmake) on a fresh copy of its seed
# corpus: libFuzzer adds the inputs it finds to the corpus folder it is
# given, and a crash writes the input that caused it beside the copy.
#   cmake -DFUZZER=exe -DCORPUS=dir -DWORK=dir -DSECONDS=n -P KivrenFuzzRun.cmake
foreach(var FUZZER CORPUS WORK SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "KivrenFuzzRun.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${CORPUS}/ DESTINATION ${WORK}/corpus)

execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB artifacts ${WORK}/crash-* ${WORK}/leak-* ${WORK}/timeout-* ${WORK}/oom-*)
    message(FATAL_ERROR "${FUZZER} failed (${result}); the input that did it: ${artifacts}")
endif()
