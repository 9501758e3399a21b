jv_bench(bench_base base_bench.cpp DEPS jv_base)
