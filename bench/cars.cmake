jv_bench(bench_cars cars_bench.cpp DEPS jv_data)
add_dependencies(bench_cars jv_blankdb)
target_compile_definitions(bench_cars PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}")
