#include "LargeModel.h"

#include <cstdlib>
#include <string>

#include "catalogue/CGXRMobjTypeBase.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"

namespace gxrm::bench {

namespace {

CString U(const std::string& utf8) { return gxrm::FromUtf8(utf8); }

CGXRMnode Pairs(std::initializer_list<std::pair<CString, CString>> pairs) {
  CGXRMnode node;
  for (const auto& [name, value] : pairs) node.AddAtt(name, value);
  return node;
}

// One element record per list, values made distinct by `n`.
template <typename Record>
void FillLists(Record& record, const std::string& n) {
  record.AddAttNode(Pairs({{U("材质"), U("C30混凝土")}, {U("编号"), U("构件" + n)}}));
  record.AddGeoAttNode(
      Pairs({{"StartPt", n + ",0,0"}, {"EndPt", n + ",6000,0"}, {U("标高"), U("层底标高")}}));
  record.AddSection(Pairs({{U("截面"), U("矩形")}, {"b", "300"}, {"h", "600"}}));
}

void AddRecords(LargeModel& model, GXRM_objType_base::Type type) {
  const std::string type_name = gxrm::ToUtf8(CGXRMobjTypeBase::GetObjTypeName(type));
  for (int d = 0; d < LargeModel::kDefinitionsPerType; ++d) {
    const std::string n = std::to_string(type * 10 + d);
    CGXRMobjType def(U(type_name + "类型" + n), type, n);
    FillLists(def, n);
    def.AddSpAttNode(Pairs({{U("钢筋信息"), U("4根直径22")}, {U("箍筋"), U("直径8间距100")}}));
    model.types.push_back(std::move(def));
  }
  for (int i = 0; i < LargeModel::kInstancesPerType; ++i) {
    const std::string n = std::to_string(type * 1000 + i);
    CGXRMobj obj(U(type_name + n), n, type);
    FillLists(obj, n);
    model.instances.push_back(std::move(obj));
  }
}

}  // namespace

LargeModel LargeModel::Make(int floors) {
  LargeModel model;
  model.header = Pairs({{"ProjName", U("大型综合体")}});
  model.proj_setting = Pairs({{U("工程名称"), U("大型综合体")}, {U("结构类型"), U("框架剪力墙")}});
  model.floor_info = Pairs({{"FloorCount", std::to_string(floors)}});
  for (int f = 1; f <= floors; ++f) {
    CString name = U("第" + std::to_string(f) + "层");
    model.floor_names.push_back(name);
    model.floor_records.push_back(Pairs({{format::kAttFloorKey, name}, {format::kAttFloorHeight, "3600"}}));
  }
  for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
    AddRecords(model, static_cast<GXRM_objType_base::Type>(t));
  }
  return model;
}

void BuildWithLibrary(const LargeModel& model, CGXRMwriter& writer) {
  CGXRMnode header = model.header;
  writer.CreateGXRMinstance(header);
  writer.CreateProjSetting(model.proj_setting);
  writer.CreateProjFloorInfo(model.floor_info);
  for (size_t f = 0; f < model.floor_names.size(); ++f)
    writer.AddFloor(model.floor_names[f], model.floor_records[f]);
  for (const CGXRMobjType& type : model.types) writer.AddObjType(type);
  for (const CGXRMobj& obj : model.instances) writer.AddObj(obj);
  for (const CString& floor : model.floor_names) {
    for (const CGXRMobjType& type : model.types) writer.AddObjType(floor, type);
    for (const CGXRMobj& obj : model.instances) writer.AddObj(floor, obj);
  }
}

void WriteWithLibrary(const LargeModel& model, const CString& path) {
  CGXRMwriter writer;
  BuildWithLibrary(model, writer);
  writer.SaveGXRMinstance(path);
}

int TakeFloorsArg(int& argc, char** argv, int fallback) {
  int floors = fallback;
  const std::string flag = "--floors=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).rfind(flag, 0) == 0) {
      floors = std::atoi(argv[i] + flag.size());
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return floors;
}

}  // namespace gxrm::bench
