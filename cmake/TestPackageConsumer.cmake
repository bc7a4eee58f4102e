# Installs the build into WORK_DIR/prefix, then configures, builds and runs
# the example consumer (examples/cmake_consumer) against that prefix alone.
#   cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DWORK_DIR=... [-DSANITIZE=ON]
#         [-DCXX=...] -P TestPackageConsumer.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(path bin/torvacalc share/torvacalc/HYDRIXMessages.CDS share/torvacalc/examples/liquid.case
        include/torvacalc/valves/control_valve.h lib/cmake/Torvacalc/TorvacalcConfig.cmake)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The installed program finds its data under its own prefix.
run(${CMAKE_COMMAND} -E env --unset=TORVACALC_DATA
    ${prefix}/bin/torvacalc module valve @${prefix}/share/torvacalc/examples/liquid.case)
if(NOT last_output MATCHES "kv")
  message(FATAL_ERROR "the installed program printed no Kv:\n${last_output}")
endif()

# A sanitized build installs instrumented libraries; their users link the
# sanitizer runtime too.
set(flags)
if(SANITIZE)
  set(flags "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release ${flags})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/size_valve)
# IEC 60534-2-1 Annex E example 1: Kv = 164.92 m3/h with rho0 = 1000 kg/m3.
if(NOT last_output MATCHES "Kv = 164\\.9[0-9] m3/h")
  message(FATAL_ERROR "unexpected output of the consumer: ${last_output}")
endif()
message(STATUS "${last_output}")
