// libFuzzer target: arbitrary bytes as a GXRM file, then every reader
// operation on every floor and type. Only gxrm::DomError may leave the
// library; anything else (another exception, a crash, a sanitizer report)
// is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/GXRMtext.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"

namespace {

using GXRM_objType_base::Type;

// Runs one operation; its DomError is an answer, not a finding.
void Try(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const gxrm::DomError&) {
  }
}

// One file per process, reused for every input.
const std::string& InputPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/reader_fuzz_" + std::to_string(getpid());
  }();
  return path;
}

bool WriteInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(InputPath().c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// Touches what the records hold, so that nothing handed out stays unread.
void Consume(const CGXRMobj& obj) {
  obj.GetAttMap();
  obj.GetGeoAttMap();
  obj.GetSectionMap();
}

void Consume(const CGXRMobjType& type) {
  Consume(static_cast<const CGXRMobj&>(type));
  type.GetSpAttMap();
  for (const IXMLDOMElementPtr& rule : type.GetCalRule()) rule.nodeName();
}

// Floor names as both floor lists give them.
CStringArray FloorNames(CGXRMreader& reader) {
  CStringArray names;
  Try([&] { reader.GetFloorNames(names); });
  Try([&] {
    IXMLDOMElementPtr root;
    reader.GetRootElem(root);
    for (const gxrm::dom::Node& floor : root.selectNodes(gxrm::format::kFloor)) {
      names.push_back(gxrm::FromUtf8(IXMLDOMElementPtr(floor).getAttribute(gxrm::format::kAttFloorName)));
    }
  });
  return names;
}

void ReadSections(CGXRMreader& reader) {
  CGXRMnode record;
  CString version;
  CStringArray sections;
  std::vector<CGXRMnode> floors;
  reader.GetLoadError();
  Try([&] { reader.GetGXRMfileVer(version); });
  Try([&] { reader.GetRoot(record); });
  Try([&] { reader.GetProjSetting(record); });
  Try([&] { reader.GetCalRule(record); });
  Try([&] { reader.GetProjFloorInfo(record); });
  Try([&] { reader.GetFloors(floors); });
  Try([&] { reader.GetFloorCount(); });
  Try([&] { reader.GetUserSec(sections); });
  Try([&] {
    for (const IXMLDOMElementPtr& rule : reader.GetCalRule()) rule.getAttribute("id");
  });
  Try([&] { reader.CountCalRule(); });
}

void ReadFloor(CGXRMreader& reader, const CString& floor) {
  CGXRMnode record;
  CString value;
  Try([&] { reader.GetFloor(floor, record); });
  Try([&] { reader.GetFloorParam(floor, gxrm::format::kAttBasePoint, value); });
  for (int t = 0; t <= GXRM_objType_base::TYPE_NONE; ++t) {
    std::vector<CGXRMobjType> types;
    std::vector<CGXRMobj> objs;
    Try([&] { reader.GetObjTypeList(floor, static_cast<Type>(t), types); });
    Try([&] { reader.GetObjList(floor, static_cast<Type>(t), objs); });
    for (const CGXRMobjType& type : types) Consume(type);
    for (const CGXRMobj& obj : objs) Consume(obj);
    if (!objs.empty()) {
      Try([&] { reader.ChangeObjName(floor, static_cast<Type>(t), objs[0].GetName(), "renamed"); });
    }
  }
}

void ReadGlobal(CGXRMreader& reader) {
  for (int t = 0; t <= GXRM_objType_base::TYPE_NONE; ++t) {
    std::vector<CGXRMobjType> types;
    std::vector<CGXRMobj> objs;
    Try([&] { reader.GetObjTypeList(static_cast<Type>(t), types); });
    Try([&] { reader.GetObjList(static_cast<Type>(t), objs); });
    for (const CGXRMobjType& type : types) Consume(type);
    for (const CGXRMobj& obj : objs) Consume(obj);
  }
}

// Everything the reader answers.
void ReadAll(CGXRMreader& reader) {
  ReadSections(reader);
  for (const CString& floor : FloorNames(reader)) ReadFloor(reader, floor);
  ReadGlobal(reader);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteInput(data, size)) return 0;
  CGXRMreader reader;
  bool loaded = false;
  Try([&] { loaded = reader.LoadGXRMfile(InputPath()); });
  ReadAll(reader);
  if (!loaded) return 0;
  // What was loaded and renamed must save into a file that loads again.
  Try([&] { reader.SaveGXRMinstance(InputPath()); });
  CGXRMreader again;
  if (!again.LoadGXRMfile(InputPath())) std::abort();
  ReadSections(again);
  return 0;
}
