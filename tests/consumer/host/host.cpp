// A minimal host: writes a one-floor model with the umbrella header alone and
// fails if the library it runs with is not the version of its headers, or had
// to complain about its configuration.
#include <GXRMparser/GXRMparser.h>

// A host that asks for C++20 gets it: the library requires C++17 or newer, never a standard.
#ifdef GXRM_HOST_CXX20
static_assert(__cplusplus >= 202002L, "the library's build flags lowered the host's C++ standard");
#endif

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2 || std::string(gxrm::Version()) != GXRM_VERSION_STRING) return 2;
  bool complained = false;
  gxrm::SetMessageHandler([&](const CString&, unsigned) { complained = true; });
  CGXRMwriter writer;
  CGXRMnode header;
  header.AddAtt("Creator", "gxrm_host");
  CGXRMnode floor;
  floor.AddAtt("FInfo002", "1F");
  if (!writer.CreateGXRMinstance(header) || !writer.CreateProjFloorInfo(CGXRMnode()) ||
      !writer.AddFloor("1F", floor) ||
      !writer.AddObj("1F", CGXRMobj(gxrm::FromUtf8("柱1"), "1", GXRM_objType_base::FRAME_COLUMN))) {
    return 1;
  }
  writer.SaveGXRMinstance(argv[1]);
  CGXRMreader reader;
  std::vector<CGXRMobj> columns;
  if (!reader.LoadGXRMfile(argv[1]) || !reader.GetObjList("1F", GXRM_objType_base::FRAME_COLUMN, columns) ||
      columns.size() != 1 || complained) {
    return 1;
  }
  std::printf("%s: %s\n", argv[1], gxrm::ToUtf8(columns[0].GetName()).c_str());
  return 0;
}
