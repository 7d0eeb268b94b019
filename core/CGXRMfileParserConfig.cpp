// The library's directory and the format version read from GXRMconfig.ini.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "core/CGXRMfileParser.h"
#include "core/GXRMmessageImpl.h"
#include "core/GXRMprofile.h"
#include "core/GXRMtextImpl.h"

namespace {

constexpr char kConfigFile[] = "GXRMconfig.ini";
constexpr char kConfigSection[] = "GXRM_Global_Config";
constexpr char kConfigKey[] = "GXRMversion";
constexpr size_t kVersionMaxChars = 99;
constexpr unsigned kStyleInfoSystemModal = 0x1040;
constexpr unsigned kStyleOk = 0;
// "读取配置文件错误!" in GBK.
constexpr char kConfigReadError[] = "\xB6\xC1\xC8\xA1\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE\xB4\xED\xCE\xF3!";

// The file that holds this code: the shared library, or the executable when
// the library is linked statically.
std::string CodeFilePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&CodeFilePath), &info) != 0 && info.dli_fname &&
      std::string(info.dli_fname).find('/') != std::string::npos) {
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return resolved;
  }
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  return n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
}

}  // namespace

CString CGXRMfileParser::GetModulePath() {
  std::string path = CodeFilePath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) throw CString("Error");
  try {
    return gxrm::FromUtf8(path.substr(0, slash + 1));
  } catch (const gxrm::DomError&) {
    throw CString("Error");
  }
}

CString CGXRMfileParser::GetGXRMversion() {
  std::string dir;
  try {
    dir = gxrm::ToUtf8(GetModulePath());
  } catch (const CString& text) {
    gxrm::ShowMessage(text, kStyleOk);
    return CString();
  }
  CString version = gxrm::ReadProfileString(dir + kConfigFile, kConfigSection, kConfigKey, kVersionMaxChars);
  if (version.empty()) gxrm::ShowMessage(kConfigReadError, kStyleInfoSystemModal);
  return version;
}
