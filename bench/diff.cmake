# Diff benchmark: gxrm diff on the large model beside gxrm info, and its peak
# memory beside the library loading both files.
if(TARGET gxrm)
  gxrm_bench(diff_bench diff_bench.cpp LargeModel.cpp)
  target_compile_definitions(diff_bench PRIVATE GXRM_TOOL="$<TARGET_FILE:gxrm>")
  add_dependencies(diff_bench gxrm)
endif()
