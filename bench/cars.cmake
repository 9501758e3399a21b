jv_bench(bench_cars cars_bench.cpp DEPS jv_data)
