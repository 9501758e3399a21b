# The registers in headless Chromium with large registers: a fuel register of 1,000 purchases from
# the click on its link to painted, and saving one purchase into a register of 4,000 to the rebuilt
# page painted (a measurement script run by node, not a benchmark program):
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
