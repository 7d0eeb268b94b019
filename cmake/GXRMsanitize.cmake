# GXRM_SANITIZE=address,undefined (or thread) instruments every target of the build.
if(GXRM_SANITIZE)
  set(_gxrm_san -fsanitize=${GXRM_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_gxrm_san})
  add_link_options(${_gxrm_san})
endif()

# Fuzzing builds instrument everything for coverage; only the fuzz targets
# link libFuzzer's main.
if(GXRM_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
