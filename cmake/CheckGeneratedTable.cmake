# Fails unless a generator writes again, byte for byte, the committed file it wrote.
# Usage: cmake -DGENERATOR=tool -DARGS="input" -DCOMMITTED=file -DOUTPUT=scratch-file
#              -DREGENERATE="how to regenerate" -P CheckGeneratedTable.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${GENERATOR} ${ARGS} ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${GENERATOR} failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${COMMITTED} ${OUTPUT}
                RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "${COMMITTED} is not what ${GENERATOR} writes now (${OUTPUT}); "
                        "regenerate it: ${REGENERATE}")
endif()
