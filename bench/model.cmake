# Model benchmark: loading a model against the reader's load, a query against
# a loop over the reader's records, and edits plus a save against the save.
gxrm_bench(model_bench model_bench.cpp LargeModel.cpp)
