# The registers in headless Chromium on the full garage of overview_bench.cpp: opening, scrolling,
# saving, choosing another car, printing, and the memory of jorvane with 30,000 rows open
# (a measurement script run by node, not a benchmark program; see the script for the measures):
#   cmake --build build --target bench_jorvane_registers
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE)
  add_custom_target(bench_jorvane_registers
    COMMAND ${CMAKE_COMMAND} -E env JV_JORVANE=$<TARGET_FILE:jorvane> JV_DATA=${PROJECT_BINARY_DIR}/data
            ${JV_BENCH_NODE} ${PROJECT_SOURCE_DIR}/bench/jorvane_registers.mjs
    DEPENDS jorvane
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
