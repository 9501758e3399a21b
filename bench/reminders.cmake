# The reminders of a garage of 10 cars at 1x to 10x services and readings.
jv_bench(bench_reminders reminders_bench.cpp DEPS jv_registers)
add_dependencies(bench_reminders jv_blankdb)
target_compile_definitions(bench_reminders PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}")
