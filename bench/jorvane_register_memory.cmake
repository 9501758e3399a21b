# The memory of jorvane while a register of 12,000 entries is scrolled a thousand times, entries
# are looked up by id and requests for entries pile up (a measurement script run by node in
# headless Chromium, not a benchmark program; see the script for the measures):
#   cmake --build build --target bench_jorvane_register_memory
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE)
  add_custom_target(bench_jorvane_register_memory
    COMMAND ${CMAKE_COMMAND} -E env JV_JORVANE=$<TARGET_FILE:jorvane> JV_DATA=${PROJECT_BINARY_DIR}/data
            ${JV_BENCH_NODE} ${PROJECT_SOURCE_DIR}/bench/jorvane_register_memory.mjs
    DEPENDS jorvane
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
