# Python benchmark: large_model_file writes the large model for
# python_bench.py, which times gxrm.load against xml.etree.ElementTree.
gxrm_bench(large_model_file large_model_file.cpp LargeModel.cpp)
# It also serves sheet_bench.py, which times gxrm select and apply against gxrm info,
# and info_bench.py, which times gxrm info against xmlwf.
