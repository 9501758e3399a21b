# The home page's statistics and reminders for a full garage, at 1x to 10x the rows.
jv_bench(bench_overview ${CMAKE_CURRENT_SOURCE_DIR}/overview_bench.cpp DEPS jv_registers)
add_dependencies(bench_overview jv_blankdb)
target_compile_definitions(bench_overview PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}")
