# The browser host's side of a page load: the patch the program sends for a page it filled.
jv_bench(bench_uihost uihost_bench.cpp DEPS jv_uihost)
