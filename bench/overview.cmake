# The home page's statistics and reminders for a full garage, at 1x to 10x the rows, against the
# direct statements, with the check of the fast paths on an irregular garage.
jv_bench(bench_overview ${CMAKE_CURRENT_SOURCE_DIR}/overview_bench.cpp DEPS jv_registers PkgConfig::SQLITE3)
target_sources(bench_overview PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/DirectStatements.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/IrregularGarage.cpp)
add_dependencies(bench_overview jv_blankdb)
target_compile_definitions(bench_overview PRIVATE JV_BLANK_DATABASE_FILE="${JV_BLANK_DATABASE}")
