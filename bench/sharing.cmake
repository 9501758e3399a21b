# Two programs on one user database: the reminders pass and a service save beside other writers.
jv_bench(bench_sharing ${CMAKE_CURRENT_SOURCE_DIR}/sharing_bench.cpp DEPS jv_registers)
add_dependencies(bench_sharing jv_blankdb)
target_compile_definitions(bench_sharing PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}")
