# Opening and upgrading the user database, and the register queries at 1x, 10x and 100x rows.
jv_bench(bench_db ${CMAKE_CURRENT_SOURCE_DIR}/db_bench.cpp DEPS jv_data PkgConfig::SQLITE3)
add_dependencies(bench_db jv_blankdb jv_testdb_v0)
target_compile_definitions(bench_db PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}"
                                            JV_V0_DATABASE_FILE="${JV_V0_DATABASE}")
