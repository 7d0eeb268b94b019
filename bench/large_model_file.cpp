// large_model_file FILE [--floors=N]: writes the benchmarks' large model to
// FILE, so that programs outside C++ (the Python benchmark) read the same model.
#include <iostream>

#include "LargeModel.h"
#include "core/GXRMtext.h"

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 3);
  if (argc != 2) {
    std::cerr << "usage: large_model_file FILE [--floors=N]\n";
    return 2;
  }
  gxrm::bench::WriteWithLibrary(gxrm::bench::LargeModel::Make(floors), gxrm::FromUtf8(argv[1]));
  return 0;
}
