# Page switches and a save in the window the program starts itself (headed, on Xvfb) at 1,000 and
# 10,000 entries per register, beside a static page and a radio click, then a soak of 500 cycles
# printing both programs' memory (a measurement script run by node, not a benchmark program):
#   cmake --build build --target bench_page_switches
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE)
  add_custom_target(bench_page_switches
    COMMAND ${CMAKE_COMMAND} -E env JV_JORVANE=$<TARGET_FILE:jorvane> JV_DATA=${PROJECT_BINARY_DIR}/data
            ${JV_BENCH_NODE} --experimental-websocket ${PROJECT_SOURCE_DIR}/bench/page_switches.mjs
    DEPENDS jorvane
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
