// libFuzzer target: arbitrary bytes loaded the strict way, on two threads
// divided where the input's first byte points, and the other ways on one
// thread, keeping and dropping blank text. All must give the same tree or
// the same error; any difference is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/core/LoadOutcome.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t divide_from = 1 + data[0] * bytes.size() / 256;
  for (bool keep : {false, true}) {
    const std::string strict = gxrm_test::LoadOutcome(bytes, keep);
    const std::string parallel = gxrm_test::LoadOutcome(bytes, keep, divide_from);
    const std::string alone = gxrm_test::LoadOutcome(bytes, keep, 0, nullptr, true);
    if (strict != parallel || strict != alone) {
      std::fprintf(stderr, "strict:\n%s\ntwo threads:\n%s\none thread:\n%s\n", strict.c_str(), parallel.c_str(),
                   alone.c_str());
      std::abort();
    }
  }
  return 0;
}
