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
namespace format = gxrm::format;

// Values a careless serialiser would damage.
const char* const kTricky[] = {"引号\"与&符号", "<小于>", "换行\n与\t制表", "回车\r\n", " 前后空格 ", ""};

CGXRMnode Record(const char* prefix, int n) {
  CGXRMnode record;
  for (int i = 0; i < n; ++i) {
    record.AddAtt(Gbk(prefix) + std::to_string(i), Gbk(kTricky[i % std::size(kTricky)]));
  }
  return record;
}

template <typename Obj>
void Fill(Obj& obj, int n) {
  for (int i = 0; i < n; ++i) {
    obj.AddAttNode(Record("属性", i + 1));
    obj.AddGeoAttNode(Record("geo", i + 2));
    obj.AddSection(Record("截面", 1));
  }
}

// What a host exports: per floor (and globally) some types and instances.
struct Model {
  CGXRMnode header = Record("头", 3);
  CGXRMnode setting = Record("设置", 6);
  CGXRMnode rules = Record("规则", 2);
  std::vector<CGXRMnode> floors;
  std::vector<CGXRMobjType> types;  // written on every floor and globally
  std::vector<CGXRMobj> objs;

  Model() {
    for (const char* name : {"1F", "二层", "3F \"&<"}) {
      CGXRMnode floor = Record("层", 4);
      floor.AddAtt(format::kAttFloorKey, Gbk(name));
      floors.push_back(floor);
    }
    for (Type type : {SHEAR_WALL, FRAME_BEAM, DOOR, PIT}) {
      CGXRMobjType t(Gbk(kTricky[type % 4]) + "T", type, "id");
      Fill(t, type % 3);
      t.AddSpAttNode(Record("专业", 2));
      types.push_back(t);
      CGXRMobj o(Gbk("构件") + std::to_string(type), "id", type);
      Fill(o, type % 3 + 1);
      objs.push_back(o);
    }
  }

  std::string Write(const std::string& file) const {
    CGXRMwriter w;
    CGXRMnode header_copy = header;
    EXPECT_TRUE(w.CreateGXRMinstance(header_copy));
    EXPECT_TRUE(w.CreateProjSetting(setting));
    EXPECT_TRUE(w.CreateCalRule(rules));
    EXPECT_TRUE(w.CreateProjFloorInfo(setting));
    for (const CGXRMnode& floor : floors) {
      CString name = floor.GetNamedAtt(format::kAttFloorKey);
      EXPECT_TRUE(w.AddFloor(name, floor));
      EXPECT_TRUE(w.SetFloorParam(name, Gbk("高度"), Gbk(kTricky[0])));
      for (const CGXRMobjType& t : types) EXPECT_TRUE(w.AddObjType(name, t));
      for (const CGXRMobj& o : objs) EXPECT_TRUE(w.AddObj(name, o));
    }
    for (const CGXRMobjType& t : types) EXPECT_TRUE(w.AddObjType(t));
    for (const CGXRMobj& o : objs) EXPECT_TRUE(w.AddObj(o));
    std::string path = TempFile(file);
    w.SaveGXRMinstance(path);
    return path;
  }
};

std::vector<CGXRMnode::AttMap> Maps(const std::vector<CGXRMnode>& list) {
  std::vector<CGXRMnode::AttMap> maps;
  for (const CGXRMnode& node : list) maps.push_back(node.GetAttMap());
  return maps;
}

void ExpectSameObj(const CGXRMobj& read, const CGXRMobj& written) {
  EXPECT_EQ(read.GetName(), written.GetName());
  EXPECT_EQ(read.GetType(), written.GetType());
  EXPECT_EQ(Maps(read.GetAttList()), Maps(written.GetAttList()));
  EXPECT_EQ(Maps(read.GetGeoAttList()), Maps(written.GetGeoAttList()));
  EXPECT_EQ(Maps(read.GetSection()), Maps(written.GetSection()));
}

void ExpectSameType(const CGXRMobjType& read, const CGXRMobjType& written) {
  ExpectSameObj(read, written);
  EXPECT_EQ(Maps(read.GetSpAttList()), Maps(written.GetSpAttList()));
}

TEST(CGXRMreaderRoundTrip, WrittenModelReadsBackInEveryField) {
  const Model model;
  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(model.Write("roundtrip.gxrm")));
  CGXRMnode record;
  ASSERT_TRUE(reader.GetRoot(record));
  EXPECT_EQ(record.GetAttMap(), model.header.GetAttMap());
  ASSERT_TRUE(reader.GetProjSetting(record));
  EXPECT_EQ(record.GetAttMap(), model.setting.GetAttMap());
  ASSERT_TRUE(reader.GetCalRule(record));
  EXPECT_EQ(record.GetAttMap(), model.rules.GetAttMap());
  std::vector<CGXRMnode> floors;
  ASSERT_TRUE(reader.GetFloors(floors));
  EXPECT_EQ(Maps(floors), Maps(model.floors));

  for (const CGXRMnode& floor : model.floors) {
    CString name = floor.GetNamedAtt(format::kAttFloorKey);
    CString height;
    ASSERT_TRUE(reader.GetFloorParam(name, Gbk("高度"), height));
    EXPECT_EQ(height, Gbk(kTricky[0]));
    for (size_t i = 0; i < model.types.size(); ++i) {
      Type type = model.types[i].GetType();
      std::vector<CGXRMobjType> types;
      std::vector<CGXRMobj> objs;
      ASSERT_TRUE(reader.GetObjTypeList(name, type, types));
      ASSERT_TRUE(reader.GetObjList(name, type, objs));
      ASSERT_EQ(types.size(), 1u);
      ASSERT_EQ(objs.size(), 1u);
      SCOPED_TRACE(std::to_string(type));
      ExpectSameType(types[0], model.types[i]);
      ExpectSameObj(objs[0], model.objs[i]);
    }
  }
  std::vector<CGXRMobjType> global;
  for (const CGXRMobjType& t : model.types) ASSERT_TRUE(reader.GetObjTypeList(t.GetType(), global));
  ASSERT_EQ(global.size(), model.types.size());
  for (size_t i = 0; i < global.size(); ++i) ExpectSameType(global[i], model.types[i]);
}

TEST(CGXRMreaderRoundTrip, RulesReadByOneReaderAreWrittenIntoAnotherFile) {
  // The first file holds rules of a host; a second writer takes them over.
  CGXRMwriter source;
  CGXRMnode header;
  ASSERT_TRUE(source.CreateGXRMinstance(header));
  IXMLDOMElementPtr root;
  source.GetRootElem(root);
  for (const char* id : {"1", "二"}) {
    CGXRMnode rule = Record("规则", 3);
    rule.AddAtt("id", Gbk(id));
    ASSERT_TRUE(source.AppendCalRule(source.AddChild("Rule", rule, root)));
  }
  std::string first = TempFile("rules1.gxrm");
  source.SaveGXRMinstance(first);

  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(first));
  std::vector<IXMLDOMElementPtr> rules = reader.GetCalRule();
  ASSERT_EQ(rules.size(), 2u);
  CGXRMwriter target;
  ASSERT_TRUE(target.CreateGXRMinstance(header));
  for (const IXMLDOMElementPtr& rule : rules) ASSERT_TRUE(target.AppendCalRule(rule));
  std::string second = TempFile("rules2.gxrm");
  target.SaveGXRMinstance(second);
  EXPECT_EQ(reader.CountCalRule(), 2);  // the source document keeps its rules

  CGXRMreader again;
  ASSERT_TRUE(again.LoadGXRMfile(second));
  std::vector<IXMLDOMElementPtr> copied = again.GetCalRule();
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_EQ(again.CountCalRule(), 2);
  for (size_t i = 0; i < copied.size(); ++i) {
    EXPECT_EQ(copied[i].nodeName(), rules[i].nodeName());
    EXPECT_EQ(copied[i].getAttribute("id"), rules[i].getAttribute("id"));
    EXPECT_EQ(copied[i].attributes().length(), 4);
  }
}

}  // namespace
