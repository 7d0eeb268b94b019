// libFuzzer target: arbitrary bytes loaded the strict way and the parallel
// way (divided at the middle), keeping and dropping blank text. Both must
// give the same tree or the same error; any difference is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/core/LoadOutcome.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (bool keep : {false, true}) {
    const std::string strict = gxrm_test::LoadOutcome(bytes, keep, false);
    const std::string parallel = gxrm_test::LoadOutcome(bytes, keep, true);
    if (strict != parallel) {
      std::fprintf(stderr, "strict:\n%s\nparallel:\n%s\n", strict.c_str(), parallel.c_str());
      std::abort();
    }
  }
  return 0;
}
