# The browser host in the real browser: the round trip from a click to the program's change on the
# page, and a page whose program fills a thousand rows (a measurement script run by node's test
# runner in headless Chromium against the end-to-end test program, not a benchmark program):
#   cmake --build build --target bench_page_round_trip
find_program(JV_BENCH_NODE node)
if(JV_BENCH_NODE AND TARGET jv_e2e_app)
  add_custom_target(bench_page_round_trip
    COMMAND ${CMAKE_COMMAND} -E env JV_E2E_APP=$<TARGET_FILE:jv_e2e_app> JV_E2E_PAGES=${PROJECT_SOURCE_DIR}/tests/e2e/pages
            ${JV_BENCH_NODE} --test ${PROJECT_SOURCE_DIR}/bench/page_round_trip.mjs
    DEPENDS jv_e2e_app
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e
    USES_TERMINAL
    VERBATIM)
endif()
