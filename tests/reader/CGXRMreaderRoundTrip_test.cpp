// Files written by CGXRMwriter read back equal in every field the reader
// returns, with Chinese text and values that need escaping.
#include <gtest/gtest.h>

#include <vector>

#include "ReaderTestUtil.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"
#include "writer/CGXRMwriter.h"

namespace {

using namespace reader_test;
using namespace GXRM_objType_base;

// Values a careless serialiser would damage.
const char* const kTricky[] = {"引号\"与&符号", "<小于>", "换行\n与\t制表", "回车\r\n", " 前后 ", ""};

CGXRMnode Record(int n) {
  CGXRMnode record;
  for (int i = 0; i < n; ++i) record.AddAtt(Gbk("属性") + std::to_string(i), Gbk(kTricky[i % 6]));
  return record;
}

template <typename Obj>
Obj Filled(Obj obj, int n) {
  for (int i = 0; i < n; ++i) {
    obj.AddAttNode(Record(i + 1));
    obj.AddGeoAttNode(Record(i + 2));
    obj.AddSection(Record(6));
  }
  return obj;
}

// Name, type and every list, record by record; `extra` is a type's speciality list.
std::vector<CGXRMnode::AttMap> Fields(const CGXRMobj& obj, const std::vector<CGXRMnode>& extra = {}) {
  std::vector<CGXRMnode::AttMap> fields{{{obj.GetName(), std::to_string(obj.GetType())}}};
  for (const auto* list : {&obj.AttList(), &obj.GeoAttList(), &obj.SectionList(), &extra}) {
    fields.emplace_back();  // list boundary
    for (const CGXRMnode& node : *list) fields.push_back(node.GetAttMap());
  }
  return fields;
}

TEST(CGXRMreaderRoundTrip, WrittenModelReadsBackInEveryField) {
  CGXRMwriter w;
  CGXRMnode header = Record(6);
  ASSERT_TRUE(w.CreateGXRMinstance(header) && w.CreateProjSetting(Record(5)) && w.CreateCalRule(Record(2)) &&
              w.CreateProjFloorInfo(Record(1)));
  std::vector<CGXRMobjType> types;
  std::vector<CGXRMobj> objs;
  for (Type t : {SHEAR_WALL, FRAME_BEAM, DOOR, PIT}) {
    types.push_back(Filled(CGXRMobjType(Gbk(kTricky[t % 6]) + "T", t, "id"), t % 3));
    types.back().AddSpAttNode(Record(3));
    objs.push_back(Filled(CGXRMobj(Gbk("构件"), "id", t), t % 3 + 1));
  }
  const CStringArray floors{"1F", Gbk("二层"), "3F \"&<"};
  for (const CString& floor : floors) {
    CGXRMnode info = Record(2);
    info.AddAtt(gxrm::format::kAttFloorKey, floor);
    ASSERT_TRUE(w.AddFloor(floor, info) && w.SetFloorParam(floor, Gbk("高度"), Gbk(kTricky[2])));
    for (size_t i = 0; i < types.size(); ++i) ASSERT_TRUE(w.AddObjType(floor, types[i]) && w.AddObj(floor, objs[i]));
  }
  for (size_t i = 0; i < types.size(); ++i) ASSERT_TRUE(w.AddObjType(types[i]) && w.AddObj(objs[i]));
  w.SaveGXRMinstance(TempFile("roundtrip.gxrm"));

  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(TempFile("roundtrip.gxrm")));
  CGXRMnode record;
  ASSERT_TRUE(reader.GetRoot(record));
  EXPECT_EQ(record.GetAttMap(), header.GetAttMap());
  ASSERT_TRUE(reader.GetProjSetting(record));
  EXPECT_EQ(record.GetAttMap(), Record(5).GetAttMap());
  CStringArray names;
  CString height;
  ASSERT_TRUE(reader.GetFloorNames(names) && reader.GetFloorParam(floors[2], Gbk("高度"), height));
  EXPECT_EQ(names, floors);
  EXPECT_EQ(height, Gbk(kTricky[2]));
  for (size_t i = 0; i < types.size(); ++i) {
    const Type t = types[i].GetType();
    for (size_t list = 0; list <= floors.size(); ++list) {  // every floor, then the global list
      std::vector<CGXRMobjType> readTypes;
      std::vector<CGXRMobj> readObjs;
      if (list < floors.size()) {
        ASSERT_TRUE(reader.GetObjTypeList(floors[list], t, readTypes) && reader.GetObjList(floors[list], t, readObjs));
      } else {
        ASSERT_TRUE(reader.GetObjTypeList(t, readTypes) && reader.GetObjList(t, readObjs));
      }
      ASSERT_TRUE(readTypes.size() == 1 && readObjs.size() == 1) << t << " in list " << list;
      EXPECT_EQ(Fields(readTypes[0], readTypes[0].SpAttList()), Fields(types[i], types[i].SpAttList()))
          << t << " in list " << list;
      EXPECT_EQ(Fields(readObjs[0]), Fields(objs[i])) << t << " in list " << list;
    }
  }
}

TEST(CGXRMreaderRoundTrip, RulesReadByOneReaderAreWrittenIntoAnotherFile) {
  CGXRMwriter source;
  CGXRMnode header;
  ASSERT_TRUE(source.CreateGXRMinstance(header));
  IXMLDOMElementPtr root;
  source.GetRootElem(root);
  for (int i = 1; i <= 2; ++i) ASSERT_TRUE(source.AppendCalRule(source.AddChild("Rule", Record(i), root)));
  source.SaveGXRMinstance(TempFile("rules1.gxrm"));

  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(TempFile("rules1.gxrm")));
  CGXRMwriter target;
  ASSERT_TRUE(target.CreateGXRMinstance(header));
  for (const IXMLDOMElementPtr& rule : reader.GetCalRule()) ASSERT_TRUE(target.AppendCalRule(rule));
  target.SaveGXRMinstance(TempFile("rules2.gxrm"));
  EXPECT_EQ(reader.CountCalRule(), 2);  // the source document keeps its rules

  CGXRMreader again;
  ASSERT_TRUE(again.LoadGXRMfile(TempFile("rules2.gxrm")));
  std::vector<IXMLDOMElementPtr> copied = again.GetCalRule();
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_EQ(again.CountCalRule(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(copied[i].nodeName(), "Rule");
    EXPECT_EQ(copied[i].attributes().length(), i + 1);
    EXPECT_EQ(copied[i].getAttribute("属性0"), kTricky[0]);
  }
}

}  // namespace
