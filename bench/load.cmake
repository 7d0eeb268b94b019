# Load benchmark: the reader's load against expat alone on the large model.
gxrm_bench(load_bench load_bench.cpp LargeModel.cpp)
