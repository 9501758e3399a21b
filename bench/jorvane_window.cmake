# The main program's start to its filled frameset and its memory with a large user database (a
# measurement script run by node in headless Chromium, not a benchmark program):
#   cmake --build build --target bench_jorvane_window
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE)
  add_custom_target(bench_jorvane_window
    COMMAND ${CMAKE_COMMAND} -E env JV_JORVANE=$<TARGET_FILE:jorvane> JV_DATA=${PROJECT_BINARY_DIR}/data
            ${JV_BENCH_NODE} ${PROJECT_SOURCE_DIR}/bench/jorvane_window.mjs
    DEPENDS jorvane
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
