// The reader on hand-written files (comments, text, second sections, interleaved
// children, missing keys) and on files the writer made.
#include "reader/CGXRMreader.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestUtil.h"
#include "writer/CGXRMwriter.h"

namespace {

using namespace gxrm_test;
using namespace GXRM_objType_base;
constexpr uint32_t kPointer = gxrm::kErrPointer;

CGXRMreader Loaded(const char* file) {
  CGXRMreader reader;
  EXPECT_TRUE(reader.LoadGXRMfile(Data(file))) << file;
  return reader;
}

TEST(CGXRMreader, VersionIsRootNameAfterUnderscoreAndOneCharacter) {
  for (const auto& [root, version] : std::initializer_list<std::pair<const char*, const char*>>{
           {"GXRMheader_v2.1", "2.1"}, {"A_B_C", "_C"}, {"plain", ""}, {"X_", ""}, {"版_本2", "2"}}) {
    CGXRMreader reader;
    CString got = "old";
    ASSERT_TRUE(reader.LoadGXRMfile(WriteFile(TempPath("version.xml"), "<" + std::string(root) + "/>")))
        << root;
    EXPECT_TRUE(reader.GetGXRMfileVer(got)) << root;
    EXPECT_EQ(got, Gbk(version)) << root;
  }
}

TEST(CGXRMreader, FailedLoadLeavesARootlessDocumentAndSaysWhere) {
  CGXRMreader reader = Loaded("model.xml");
  CGXRMnode record;
  CString version = "old";
  EXPECT_FALSE(reader.LoadGXRMfile(Data("broken.xml")));
  EXPECT_EQ(reader.GetLoadError().line, 4);
  EXPECT_EQ(reader.GetLoadError().linepos, 5);
  EXPECT_FALSE(reader.GetGXRMfileVer(version));
  EXPECT_FALSE(reader.GetRoot(record));
  EXPECT_EQ(version, "");
  EXPECT_EQ(CodeOf([&] { reader.CountCalRule(); }), kPointer);
  EXPECT_FALSE(reader.LoadGXRMfile(TempPath("")));  // a directory: unreadable
  EXPECT_EQ(reader.GetLoadError().line, 0);
  EXPECT_EQ(reader.GetLoadError().errorCode, -1);
  // Paths are GBK; one that is no GBK is refused before the document is dropped.
  ASSERT_TRUE(reader.LoadGXRMfile(Gbk(WriteFile(TempPath("模型.xml"), "<a x='1'/>"))));
  EXPECT_EQ(CodeOf([&] { reader.LoadGXRMfile("\xff\xff.xml"); }), gxrm::kErrNoUnicodeMap);
  ASSERT_TRUE(reader.GetRoot(record));
  EXPECT_EQ(record.GetNamedAtt("x"), "1");
}

TEST(CGXRMreader, SectionsComeFromTheFirstElementAndRulesStopAtANonElement) {
  CGXRMreader reader = Loaded("model.xml");
  CGXRMnode record = Record({{"stale", "1"}});
  ASSERT_TRUE(reader.GetRoot(record));
  EXPECT_EQ(record.GetAttMap(), Pairs({{"b", "2"}, {"a", "1"}, {"工程", "住宅楼"}}));
  ASSERT_TRUE(reader.GetProjSetting(record));
  EXPECT_EQ(record.GetAttMap(), Pairs({{"b", "2"}, {"a", "1"}, {"名称", "结构"}}));
  ASSERT_TRUE(reader.GetCalRule(record));
  EXPECT_EQ(record.GetAttMap(), Pairs({{"set", "默认"}}));
  ASSERT_TRUE(reader.GetProjFloorInfo(record));
  EXPECT_EQ(record.GetAttMap(), Pairs({{"count", "3"}}));
  // A missing section leaves the record; one without attributes empties it.
  EXPECT_FALSE(Loaded("bare.xml").GetCalRule(record));
  EXPECT_EQ(record.GetAttNum(), 1);
  EXPECT_TRUE(Loaded("nofloorinfo.xml").GetProjFloorInfo(record));
  EXPECT_EQ(record.GetAttNum(), 0);
  // Rules stop at the first child that is no element; every child counts.
  std::vector<IXMLDOMElementPtr> rules = reader.GetCalRule();
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(reader.CountCalRule(), 3);
  // The handles keep the old document's elements after a new load.
  ASSERT_TRUE(reader.LoadGXRMfile(Data("bare.xml")));
  EXPECT_EQ(rules[0].getAttribute("id"), "1");
  EXPECT_TRUE(reader.GetCalRule().empty());
  EXPECT_EQ(reader.CountCalRule(), 0);
  EXPECT_EQ(CodeOf([] { CGXRMreader().GetCalRule(); }), kPointer);
  // User sections: five values per child, whatever its name.
  CStringArray sections{"kept"}, none;
  ASSERT_TRUE(Loaded("model.xml").GetUserSec(sections));
  EXPECT_EQ(sections, (CStringArray{"kept", "S1", Gbk("矩形"), "0,0;100,0", "0", "0,0",  //
                                    "", "only", "", "", "", "", "", "", "", ""}));
  EXPECT_TRUE(Loaded("nofloorinfo.xml").GetUserSec(none));
  EXPECT_FALSE(Loaded("bare.xml").GetUserSec(none));
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(CodeOf([&] { Loaded("keyless.xml").GetUserSec(none); }), kPointer);
  EXPECT_EQ(none, (CStringArray{"S1", "", "", "", ""}));
}

TEST(CGXRMreader, FloorsComeFromTheFirstFloorInfoSectionInOrder) {
  CGXRMreader reader = Loaded("model.xml");
  CStringArray names{"kept"};
  std::vector<CGXRMnode> floors(1);
  CGXRMnode floor;
  ASSERT_TRUE(reader.GetFloorNames(names));
  ASSERT_TRUE(reader.GetFloorNames(names));
  ASSERT_TRUE(reader.GetFloors(floors));
  EXPECT_EQ(reader.GetFloorCount(), 3);
  EXPECT_EQ(names, (CStringArray{"kept", "1F", "2F", "1F", "1F", "2F", "1F"}));
  ASSERT_EQ(floors.size(), 4u);
  EXPECT_EQ(floors[2].GetAttMap(), Pairs({{"h", "3300"}, {"FInfo002", "2F"}}));
  ASSERT_TRUE(reader.GetFloor("1F", floor));
  EXPECT_EQ(floor.GetAttMap(), Pairs({{"FInfo002", "1F"}, {"h", "3000"}}));
  EXPECT_FALSE(reader.GetFloor("1f", floor));
  EXPECT_EQ(floor.GetNamedAtt("h"), "3000");
  // Parameters come from the first "Floor" element of that name.
  CString value = "old";
  EXPECT_FALSE(reader.GetFloorParam("9F", "h", value));
  EXPECT_EQ(CodeOf([&] { reader.GetFloorParam("1F", "H", value); }), kPointer);
  EXPECT_EQ(value, "old");
  EXPECT_TRUE(reader.GetFloorParam("1F", Gbk("标高"), value));
  EXPECT_EQ(value, "3.0");
  EXPECT_TRUE(reader.GetFloorParam("1F", "basepoint", value));
  EXPECT_EQ(value, "");
  // Without the floor-information section only the list of names gives false.
  CGXRMreader bare = Loaded("bare.xml"), empty = Loaded("nofloorinfo.xml"), keyless = Loaded("keyless.xml");
  names.clear();
  floors.clear();
  EXPECT_FALSE(bare.GetFloorNames(names));
  EXPECT_EQ(CodeOf([&] { bare.GetFloor("1F", floor); }), kPointer);
  EXPECT_EQ(CodeOf([&] { bare.GetFloors(floors); }), kPointer);
  EXPECT_EQ(CodeOf([&] { bare.GetFloorCount(); }), kPointer);
  EXPECT_EQ(empty.GetFloorCount(), 0);
  EXPECT_TRUE(empty.GetFloorNames(names));
  EXPECT_TRUE(empty.GetFloors(floors));
  EXPECT_EQ(names, CStringArray{});
  EXPECT_EQ(floors.size(), 0u);
  // The second of three floors has no name: walks that reach it raise.
  EXPECT_TRUE(keyless.GetFloor("1F", floor));
  EXPECT_TRUE(keyless.GetFloors(floors));
  EXPECT_EQ(keyless.GetFloorCount(), 3);
  EXPECT_EQ(CodeOf([&] { keyless.GetFloor("2F", floor); }), kPointer);
  EXPECT_EQ(CodeOf([&] { keyless.GetFloorNames(names); }), kPointer);
  EXPECT_EQ(names, CStringArray{"1F"});
}

TEST(CGXRMreader, TypesAndInstancesCollectChildrenByNameAndMissingListsGiveFalse) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobjType> types(1);
  std::vector<CGXRMobj> objs;
  ASSERT_TRUE(reader.GetObjTypeList("1F", SHEAR_WALL, types));
  ASSERT_TRUE(reader.GetObjList("1F", SHEAR_WALL, objs));
  ASSERT_EQ(types.size(), 3u);
  ASSERT_EQ(objs.size(), 3u);
  const CGXRMobjType& q1 = types[1];
  EXPECT_EQ(q1.GetName(), "Q1");
  EXPECT_EQ(q1.GetId(), "");
  EXPECT_EQ(q1.GetType(), SHEAR_WALL);
  EXPECT_EQ(q1.GetAttMap(), Pairs({{"厚度", "200"}, {"a", "1"}}));
  EXPECT_EQ(q1.GetGeoAttMap(), Pairs({{"g", "1"}, {"g", "2"}}));
  EXPECT_EQ(q1.GetSectionMap(), Pairs({{"s", "1"}}));
  EXPECT_EQ(q1.GetSpAttMap(), Pairs({{"sp", "1"}}));
  // Rules stop at the text; the second rule container is not read.
  ASSERT_EQ(q1.CountCalRule(), 2);
  EXPECT_EQ(q1.GetCalRule()[1].getAttribute("id"), "r2");
  EXPECT_EQ(types[2].GetAttNodeCount() + types[2].GetSpAttNodeCount() + types[2].CountCalRule(), 0);
  EXPECT_EQ(objs[0].GetName(), "W1");
  EXPECT_EQ(objs[0].GetId(), "");
  EXPECT_EQ(objs[0].GetAttMap(), Pairs({{"a", "1"}, {"a", "2"}}));
  EXPECT_EQ(objs[0].GetGeoAttMap(), Pairs({{"g", "1"}}));
  EXPECT_EQ(objs[0].GetSectionMap(), Pairs({{"s", "1"}}));
  // The global list, rules included.
  ASSERT_TRUE(reader.GetObjTypeList(SHEAR_WALL, types));
  ASSERT_TRUE(reader.GetObjList(SHEAR_WALL, objs));
  EXPECT_EQ(types.back().CountCalRule(), 1);
  EXPECT_EQ(objs.back().GetNamedAtt("k"), "v");
  // Missing lists give false; nameless records raise.
  types.clear();
  objs.clear();
  EXPECT_TRUE(reader.GetObjTypeList("1F", BRICK_WALL, types));  // empty container
  EXPECT_FALSE(reader.GetObjList("1F", BRICK_WALL, objs));      // no container
  EXPECT_FALSE(reader.GetObjList("1F", FRAME_BEAM, objs));      // no kind element
  EXPECT_FALSE(reader.GetObjList("2F", SHEAR_WALL, objs));      // no floor
  EXPECT_FALSE(reader.GetObjTypeList(BRICK_WALL, types));       // no type element
  EXPECT_FALSE(reader.GetObjList("1F", TYPE_NONE, objs));
  EXPECT_FALSE(reader.GetObjTypeList(static_cast<Type>(-1), types));
  EXPECT_FALSE(Loaded("nofloorinfo.xml").GetObjList(SHEAR_WALL, objs));
  EXPECT_EQ(types.size(), 0u);
  EXPECT_EQ(objs.size(), 0u);
  EXPECT_EQ(CodeOf([&] { Loaded("bare.xml").GetObjList(SHEAR_WALL, objs); }), kPointer);
  // The second of three types and instances has no name: what came before stays.
  CGXRMreader keyless = Loaded("keyless.xml");
  EXPECT_EQ(CodeOf([&] { keyless.GetObjTypeList("1F", SHEAR_WALL, types); }), kPointer);
  EXPECT_EQ(CodeOf([&] { keyless.ChangeObjName("1F", SHEAR_WALL, "W1", "X"); }), kPointer);
  EXPECT_EQ(CodeOf([&] { keyless.GetObjList("1F", SHEAR_WALL, objs); }), kPointer);
  ASSERT_EQ(types.size(), 1u);
  ASSERT_EQ(objs.size(), 1u);
  EXPECT_EQ(objs[0].GetName(), "X");
}

// The counts agree with the getters' lists everywhere, missing lists and
// nameless records included: the same size, or the same error.
TEST(CGXRMreader, CountsAgreeWithTheListsTheGettersAppend) {
  const CString floors[] = {"1F", "1f", "2F"};
  for (const char* file : {"model.xml", "keyless.xml", "bare.xml", "nofloorinfo.xml"}) {
    CGXRMreader reader = Loaded(file);
    for (const CString* floor : {static_cast<const CString*>(nullptr), &floors[0], &floors[1], &floors[2]}) {
      for (int t = -1; t <= CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
        const Type type = static_cast<Type>(t);
        const std::string where =
            std::string(file) + " " + (floor ? *floor : "global") + " " + std::to_string(t);
        std::vector<CGXRMobjType> types;
        std::vector<CGXRMobj> objs;
        const uint32_t types_error = CodeOf(
            [&] { floor ? reader.GetObjTypeList(*floor, type, types) : reader.GetObjTypeList(type, types); });
        const uint32_t objs_error =
            CodeOf([&] { floor ? reader.GetObjList(*floor, type, objs) : reader.GetObjList(type, objs); });
        size_t count_types = 0, count_objs = 0;
        EXPECT_EQ(CodeOf([&] { count_types = gxrm::CountObjTypes(reader, floor, type); }), types_error)
            << where;
        EXPECT_EQ(CodeOf([&] { count_objs = gxrm::CountObjs(reader, floor, type); }), objs_error) << where;
        if (types_error == 0) EXPECT_EQ(count_types, types.size()) << where;
        if (objs_error == 0) EXPECT_EQ(count_objs, objs.size()) << where;
      }
    }
  }
}

TEST(CGXRMreader, ChangeObjNameRenamesEveryExactMatchInTheDocumentCopiesShare) {
  CGXRMreader reader = Loaded("model.xml"), assigned, again;
  CGXRMreader copy(reader);
  assigned = reader;
  std::vector<CGXRMobj> before, after;
  reader.GetObjList("1F", SHEAR_WALL, before);
  EXPECT_TRUE(reader.ChangeObjName("1F", SHEAR_WALL, "W1", Gbk("新墙")));
  EXPECT_TRUE(reader.ChangeObjName("1F", SHEAR_WALL, "w2", "never"));
  EXPECT_FALSE(reader.ChangeObjName("9F", SHEAR_WALL, "W2", "never"));
  EXPECT_EQ(before[0].GetName(), "W1");
  // The copies keep the renamed document when the original loads another.
  ASSERT_TRUE(reader.LoadGXRMfile(Data("bare.xml")));
  copy.SaveGXRMinstance(TempPath("renamed.xml"));
  ASSERT_TRUE(again.LoadGXRMfile(TempPath("renamed.xml")));
  ASSERT_TRUE(again.GetObjList("1F", SHEAR_WALL, after));
  ASSERT_TRUE(assigned.GetObjList("1F", SHEAR_WALL, after));
  ASSERT_EQ(after.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(after[i].GetName(), i % 3 == 1 ? CString("W2") : Gbk("新墙")) << i;
}

// Values a careless serialiser would damage.
const char* const kTricky[] = {"引号\"与&符号", "<小于>", "换行\n与\t制表", "回车\r\n", " 前后 ", ""};

CGXRMnode Tricky(int n) {
  CGXRMnode record;
  for (int i = 0; i < n; ++i) record.AddAtt(Gbk("属性") + std::to_string(i), Gbk(kTricky[i % 6]));
  return record;
}

template <typename Obj>
Obj Filled(Obj obj, int n) {
  for (int i = 0; i < n; ++i) {
    obj.AddAttNode(Tricky(i + 1));
    obj.AddGeoAttNode(Tricky(i + 2));
    obj.AddSection(Tricky(6));
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
  CGXRMnode header = Tricky(6), info = Tricky(2);
  const CString floor = Gbk("二层 \"&<");
  info.AddAtt("FInfo002", floor);
  w.CreateGXRMinstance(header);
  ASSERT_TRUE(w.CreateProjFloorInfo(Tricky(1)));
  ASSERT_TRUE(w.AddFloor(floor, info));
  std::vector<CGXRMobjType> types;
  std::vector<CGXRMobj> objs;
  for (Type t : {SHEAR_WALL, FRAME_BEAM, DOOR, PIT}) {
    types.push_back(Filled(CGXRMobjType(Gbk(kTricky[t % 6]) + "T", t, "id"), t % 3));
    types.back().AddSpAttNode(Tricky(3));
    objs.push_back(Filled(CGXRMobj(Gbk("构件"), "id", t), t % 3 + 1));
    ASSERT_TRUE(w.AddObjType(floor, types.back())) << t;
    ASSERT_TRUE(w.AddObj(floor, objs.back())) << t;
  }
  w.SaveGXRMinstance(TempPath("roundtrip.gxrm"));
  CGXRMreader reader;
  CGXRMnode read_info;
  ASSERT_TRUE(reader.LoadGXRMfile(TempPath("roundtrip.gxrm")));
  ASSERT_TRUE(reader.GetRoot(header));
  ASSERT_TRUE(reader.GetFloor(floor, read_info));
  EXPECT_EQ(header.GetAttMap(), Tricky(6).GetAttMap());
  EXPECT_EQ(read_info.GetAttMap(), info.GetAttMap());
  for (size_t i = 0; i < types.size(); ++i) {
    const Type t = types[i].GetType();
    std::vector<CGXRMobjType> read_types;
    std::vector<CGXRMobj> read_objs;
    ASSERT_TRUE(reader.GetObjTypeList(floor, t, read_types)) << t;
    ASSERT_TRUE(reader.GetObjList(floor, t, read_objs)) << t;
    ASSERT_EQ(read_types.size(), 1u) << t;
    ASSERT_EQ(read_objs.size(), 1u) << t;
    EXPECT_EQ(Fields(read_types[0], read_types[0].SpAttList()), Fields(types[i], types[i].SpAttList())) << t;
    EXPECT_EQ(Fields(read_objs[0]), Fields(objs[i])) << t;
  }
}

}  // namespace
