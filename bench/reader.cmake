# Reader benchmark: the library against expat and pugixml used directly, on
# the writer benchmark's large model.
gxrm_bench(reader_bench reader_bench.cpp LargeModel.cpp)
