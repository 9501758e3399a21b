# A program's start to exit without a window, and the children it leaves behind.
add_executable(bench_startup_probe ${CMAKE_CURRENT_SOURCE_DIR}/startup_probe.cpp)
target_link_libraries(bench_startup_probe PRIVATE jv_core)
target_include_directories(bench_startup_probe PRIVATE ${PROJECT_SOURCE_DIR})
jv_warnings(bench_startup_probe)
jv_bench(bench_startup ${CMAKE_CURRENT_SOURCE_DIR}/startup_bench.cpp)
add_dependencies(bench_startup bench_startup_probe)
target_compile_definitions(bench_startup PRIVATE JV_STARTUP_PROBE="$<TARGET_FILE:bench_startup_probe>")
