# Writer benchmark: the library against pugixml used directly, and AddObj
# against the number of floors. LargeModel is shared with other benchmarks.
gxrm_bench(writer_bench writer_bench.cpp LargeModel.cpp)
