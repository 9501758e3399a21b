# The home page on a full garage, from a click to the page painted (a measurement script run by
# node in headless Chromium, not a benchmark program):
#   cmake --build build --target bench_home_page
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE)
  add_custom_target(bench_home_page
    COMMAND ${CMAKE_COMMAND} -E env JV_JORVANE=$<TARGET_FILE:jorvane> JV_DATA=${PROJECT_BINARY_DIR}/data
            ${JV_BENCH_NODE} ${PROJECT_SOURCE_DIR}/bench/home_page.mjs
    DEPENDS jorvane
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
