// Helpers shared by the reader's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "core/CGXRMnode.h"
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"

namespace reader_test {

// GBK text from the UTF-8 of the test source.
inline CString Gbk(const char* utf8) { return gxrm::FromUtf8(utf8); }

inline std::string DataFile(const char* name) { return std::string(GXRM_TEST_DATA) + "/data/" + name; }

inline std::string TempFile(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

inline std::string WriteTemp(const std::string& name, const std::string& content) {
  std::ofstream(TempFile(name), std::ios::binary) << content;
  return TempFile(name);
}

// The code of the DomError `f` raises; 0 when it raises none.
template <typename F>
uint32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const gxrm::DomError& e) {
    return e.Error();
  }
  return 0;
}

// Expected pairs of a record, given in UTF-8.
inline CGXRMnode::AttMap Pairs(std::initializer_list<std::pair<const char*, const char*>> utf8) {
  CGXRMnode::AttMap pairs;
  for (const auto& [name, value] : utf8) pairs.emplace_back(Gbk(name), Gbk(value));
  return pairs;
}

}  // namespace reader_test
