// Helpers every test suite shares.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "core/CGXRMnode.h"
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"

namespace gxrm_test {

inline CString Gbk(const std::string& utf8) { return gxrm::FromUtf8(utf8); }

// A record from UTF-8 pairs, in their order.
inline CGXRMnode Record(std::initializer_list<std::pair<const char*, const char*>> utf8) {
  CGXRMnode node;
  for (const auto& [name, value] : utf8) node.AddAtt(Gbk(name), Gbk(value));
  return node;
}

// The pairs of such a record, to compare with GetAttMap.
inline CGXRMnode::AttMap Pairs(std::initializer_list<std::pair<const char*, const char*>> utf8) {
  return Record(utf8).GetAttMap();
}

// A path in the test's scratch directory.
inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

// A file of the test's own data directory.
inline std::string Data(const std::string& name) { return std::string(GXRM_TEST_DATA) + "/data/" + name; }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes `bytes` to `path` and returns the path.
inline std::string WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// The code of the DomError `op` raises; 0 when it raises none.
template <typename Op>
uint32_t CodeOf(Op&& op) {
  try {
    op();
  } catch (const gxrm::DomError& e) {
    return e.Error();
  }
  return 0;
}

}  // namespace gxrm_test
