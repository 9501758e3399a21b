jv_bench(bench_ui ui_bench.cpp DEPS jv_shared_ui)
