// Reader on hand-written files: what the writer never writes (comments, text,
// second sections, interleaved children, missing keys, other encodings).
#include "reader/CGXRMreader.h"

#include <gtest/gtest.h>

#include "ReaderTestUtil.h"
#include "format/GXRMformat.h"

namespace {

using namespace reader_test;
using namespace GXRM_objType_base;
constexpr uint32_t kPointer = gxrm::kErrPointer;

CGXRMreader Loaded(const char* file) {
  CGXRMreader reader;
  EXPECT_TRUE(reader.LoadGXRMfile(DataFile(file))) << file;
  return reader;
}

TEST(CGXRMreader, VersionIsRootNameAfterUnderscoreAndOneCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"GXRMheader_v2.1", "2.1"}, {"A_B_C", "_C"}, {"plain", ""}, {"X_", ""}, {"版_本2", "2"}};
  for (const auto& [root, version] : cases) {
    CGXRMreader reader;
    CString got = "old";
    ASSERT_TRUE(reader.LoadGXRMfile(WriteTemp("version.xml", "<" + std::string(root) + "/>"))) << root;
    EXPECT_TRUE(reader.GetGXRMfileVer(got)) << root;
    EXPECT_EQ(got, Gbk(version)) << root;
  }
}

TEST(CGXRMreader, FailedLoadLeavesARootlessDocumentAndSaysWhere) {
  CGXRMreader reader;
  CGXRMnode record;
  EXPECT_FALSE(reader.GetRoot(record));
  EXPECT_EQ(ErrorOf([&] { reader.GetProjSetting(record); }), kPointer);
  ASSERT_TRUE(reader.LoadGXRMfile(DataFile("model.xml")));
  EXPECT_FALSE(reader.LoadGXRMfile(DataFile("broken.xml")));
  EXPECT_EQ(reader.GetLoadError().line, 4);
  EXPECT_EQ(reader.GetLoadError().linepos, 5);
  CString version = "old";
  EXPECT_FALSE(reader.GetGXRMfileVer(version));
  EXPECT_EQ(version, "");
  EXPECT_FALSE(reader.GetRoot(record));
  EXPECT_EQ(ErrorOf([&] { reader.CountCalRule(); }), kPointer);
  for (const std::string& path : {TempFile(""), WriteTemp("empty.xml", ""), WriteTemp("two.xml", "<a/><b/>")}) {
    EXPECT_FALSE(reader.LoadGXRMfile(path)) << path;
    EXPECT_FALSE(reader.GetLoadError().reason.empty()) << path;
  }
  // Paths are GBK; one that is no GBK is refused before the document is dropped.
  ASSERT_TRUE(reader.LoadGXRMfile(Gbk(WriteTemp("模型.xml", "<a x='1'/>").c_str())));
  EXPECT_EQ(ErrorOf([&] { reader.LoadGXRMfile("\xff\xff.xml"); }), gxrm::kErrNoUnicodeMap);
  EXPECT_TRUE(reader.GetRoot(record) && record.GetNamedAtt("x") == "1");
}

TEST(CGXRMreader, SectionsGiveTheFirstElementsAttributesInFileOrder) {
  CGXRMreader reader = Loaded("model.xml");
  CGXRMnode record;
  record.AddAtt("stale", "1");
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
}

TEST(CGXRMreader, FloorListsComeFromTheFirstFloorInfoSectionInOrder) {
  CGXRMreader reader = Loaded("model.xml");
  EXPECT_EQ(reader.GetFloorCount(), 3);
  CStringArray names{"kept"};
  ASSERT_TRUE(reader.GetFloorNames(names));
  ASSERT_TRUE(reader.GetFloorNames(names));
  EXPECT_EQ(names, (CStringArray{"kept", "1F", "2F", "1F", "1F", "2F", "1F"}));
  CGXRMnode floor;
  ASSERT_TRUE(reader.GetFloor("1F", floor));
  EXPECT_EQ(floor.GetAttMap(), Pairs({{gxrm::format::kAttFloorKey, "1F"}, {"h", "3000"}}));
  EXPECT_FALSE(reader.GetFloor("1f", floor));
  EXPECT_EQ(floor.GetNamedAtt("h"), "3000");
  std::vector<CGXRMnode> floors(1);
  ASSERT_TRUE(reader.GetFloors(floors));
  ASSERT_EQ(floors.size(), 4u);
  EXPECT_EQ(floors[2].GetAttMap(), Pairs({{"h", "3300"}, {gxrm::format::kAttFloorKey, "2F"}}));
}

TEST(CGXRMreader, FloorListErrorsDependOnTheOperationAndTheWalk) {
  CGXRMreader bare = Loaded("bare.xml");  // no floor-information section
  CStringArray names;
  std::vector<CGXRMnode> floors;
  CGXRMnode floor;
  EXPECT_FALSE(bare.GetFloorNames(names));
  EXPECT_EQ(ErrorOf([&] { bare.GetFloor("1F", floor); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { bare.GetFloors(floors); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { bare.GetFloorCount(); }), kPointer);
  CGXRMreader empty = Loaded("nofloorinfo.xml");
  EXPECT_EQ(empty.GetFloorCount(), 0);
  EXPECT_TRUE(empty.GetFloorNames(names) && empty.GetFloors(floors) && names.empty() && floors.empty());
  // The second of three floors has no name: walks that reach it raise.
  CGXRMreader keyless = Loaded("keyless.xml");
  EXPECT_TRUE(keyless.GetFloor("1F", floor));
  EXPECT_EQ(ErrorOf([&] { keyless.GetFloor("2F", floor); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { keyless.GetFloorNames(names); }), kPointer);
  EXPECT_EQ(names, CStringArray{"1F"});
  EXPECT_TRUE(keyless.GetFloors(floors));
  EXPECT_EQ(keyless.GetFloorCount(), 3);
}

TEST(CGXRMreader, FloorParamsComeFromTheFirstFloorElementOfThatName) {
  CGXRMreader reader = Loaded("model.xml");
  CString value = "old";
  EXPECT_TRUE(reader.GetFloorParam("1F", gxrm::format::kAttFloorName, value) && value == "1F");
  EXPECT_TRUE(reader.GetFloorParam("1F", Gbk("标高"), value) && value == "3.0");
  EXPECT_TRUE(reader.GetFloorParam("1F", gxrm::format::kAttBasePoint, value) && value.empty());  // first floor
  value = "old";
  EXPECT_FALSE(reader.GetFloorParam("9F", "h", value));
  EXPECT_EQ(ErrorOf([&] { reader.GetFloorParam("1F", "H", value); }), kPointer);
  EXPECT_EQ(value, "old");
}

TEST(CGXRMreader, TypesAndInstancesCollectChildrenByNameInFileOrder) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobjType> types(1);
  ASSERT_TRUE(reader.GetObjTypeList("1F", SHEAR_WALL, types));
  ASSERT_EQ(types.size(), 3u);
  const CGXRMobjType& q1 = types[1];
  EXPECT_TRUE(q1.GetName() == "Q1" && q1.GetId().empty() && q1.GetType() == SHEAR_WALL);
  EXPECT_EQ(q1.GetAttMap(), Pairs({{"厚度", "200"}, {"a", "1"}}));
  EXPECT_EQ(q1.GetGeoAttMap(), Pairs({{"g", "1"}, {"g", "2"}}));
  EXPECT_EQ(q1.GetSectionMap(), Pairs({{"s", "1"}}));
  EXPECT_EQ(q1.GetSpAttMap(), Pairs({{"sp", "1"}}));
  // Rules stop at the text; the second rule container is not read.
  ASSERT_EQ(q1.CountCalRule(), 2);
  EXPECT_EQ(q1.GetCalRule()[1].getAttribute("id"), "r2");
  EXPECT_EQ(types[2].GetAttNodeCount() + types[2].GetSpAttNodeCount() + types[2].CountCalRule(), 0);

  std::vector<CGXRMobj> objs;
  ASSERT_TRUE(reader.GetObjList("1F", SHEAR_WALL, objs));
  ASSERT_EQ(objs.size(), 3u);
  EXPECT_TRUE(objs[0].GetName() == "W1" && objs[0].GetId().empty());
  EXPECT_EQ(objs[0].GetAttMap(), Pairs({{"a", "1"}, {"a", "2"}}));
  EXPECT_EQ(objs[0].GetGeoAttMap(), Pairs({{"g", "1"}}));
  EXPECT_EQ(objs[0].GetSectionMap(), Pairs({{"s", "1"}}));

  // The global list, rules included.
  ASSERT_TRUE(reader.GetObjTypeList(SHEAR_WALL, types));
  ASSERT_TRUE(reader.GetObjList(SHEAR_WALL, objs));
  EXPECT_EQ(types.back().CountCalRule(), 1);
  EXPECT_EQ(objs.back().GetNamedAtt("k"), "v");
}

TEST(CGXRMreader, MissingListsGiveFalseAndNamelessRecordsRaise) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobjType> types;
  std::vector<CGXRMobj> objs;
  EXPECT_TRUE(reader.GetObjTypeList("1F", BRICK_WALL, types));  // empty container
  EXPECT_FALSE(reader.GetObjList("1F", BRICK_WALL, objs));      // no container
  EXPECT_FALSE(reader.GetObjList("1F", FRAME_BEAM, objs));      // no kind element
  EXPECT_FALSE(reader.GetObjList("2F", SHEAR_WALL, objs));      // no floor
  EXPECT_FALSE(reader.GetObjTypeList(BRICK_WALL, types));       // no type element
  EXPECT_FALSE(reader.GetObjList("1F", TYPE_NONE, objs) || reader.GetObjTypeList(static_cast<Type>(-1), types));
  EXPECT_FALSE(Loaded("nofloorinfo.xml").GetObjList(SHEAR_WALL, objs));
  EXPECT_TRUE(types.empty() && objs.empty());
  EXPECT_EQ(ErrorOf([&] { Loaded("bare.xml").GetObjList(SHEAR_WALL, objs); }), kPointer);
  // The second of three types and instances has no name: what came before stays.
  CGXRMreader keyless = Loaded("keyless.xml");
  EXPECT_EQ(ErrorOf([&] { keyless.GetObjTypeList("1F", SHEAR_WALL, types); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { keyless.ChangeObjName("1F", SHEAR_WALL, "W1", "X"); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { keyless.GetObjList("1F", SHEAR_WALL, objs); }), kPointer);
  ASSERT_TRUE(types.size() == 1 && objs.size() == 1);
  EXPECT_EQ(objs[0].GetName(), "X");
}

TEST(CGXRMreader, ChangeObjNameRenamesEveryExactMatchAndSavesIt) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobj> before;
  reader.GetObjList("1F", SHEAR_WALL, before);
  EXPECT_TRUE(reader.ChangeObjName("1F", SHEAR_WALL, "W1", Gbk("新墙")));
  EXPECT_TRUE(reader.ChangeObjName("1F", SHEAR_WALL, "w2", "never"));
  EXPECT_FALSE(reader.ChangeObjName("9F", SHEAR_WALL, "W2", "never"));
  EXPECT_EQ(before[0].GetName(), "W1");
  reader.SaveGXRMinstance(TempFile("renamed.xml"));
  CGXRMreader again;
  std::vector<CGXRMobj> after;
  ASSERT_TRUE(again.LoadGXRMfile(TempFile("renamed.xml")) && again.GetObjList("1F", SHEAR_WALL, after));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_TRUE(after[0].GetName() == Gbk("新墙") && after[1].GetName() == "W2" && after[2].GetName() == Gbk("新墙"));
}

TEST(CGXRMreader, UserSectionsGiveFiveValuesPerChildWhateverItsName) {
  CStringArray sections{"kept"};
  ASSERT_TRUE(Loaded("model.xml").GetUserSec(sections));
  const CStringArray expected{"kept",                                         //
                              "S1", Gbk("矩形"), "0,0;100,0", "0", "0,0",  //
                              "",   "only",     "",          "",  "",     //
                              "",   "",         "",          "",  ""};
  EXPECT_EQ(sections, expected);
  CStringArray none;
  EXPECT_TRUE(Loaded("nofloorinfo.xml").GetUserSec(none));
  EXPECT_FALSE(Loaded("bare.xml").GetUserSec(none));
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(ErrorOf([&] { Loaded("keyless.xml").GetUserSec(none); }), kPointer);
  EXPECT_EQ(none, (CStringArray{"S1", "", "", "", ""}));
}

TEST(CGXRMreader, CalRulesStopAtTheFirstNonElementButAllChildrenCount) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<IXMLDOMElementPtr> rules = reader.GetCalRule();
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(reader.CountCalRule(), 3);
  // The handles keep the old document's elements after a new load.
  ASSERT_TRUE(reader.LoadGXRMfile(DataFile("bare.xml")));
  EXPECT_EQ(rules[0].getAttribute("id"), "1");
  EXPECT_TRUE(reader.GetCalRule().empty());
  EXPECT_EQ(reader.CountCalRule(), 0);
  EXPECT_EQ(ErrorOf([] { CGXRMreader().GetCalRule(); }), kPointer);
}

TEST(CGXRMreader, DeclaredEncodingsReachTheHostAsGbk) {
  for (const char* file : {"gbk.xml", "utf16.xml"}) {
    CGXRMreader reader = Loaded(file);
    CGXRMnode root;
    CStringArray names;
    ASSERT_TRUE(reader.GetRoot(root) && reader.GetFloorNames(names)) << file;
    EXPECT_EQ(root.GetAttMap(), Pairs({{"名称", "住宅楼"}})) << file;
    EXPECT_EQ(names, CStringArray{Gbk("一层")}) << file;
  }
}

TEST(CGXRMreader, CopiesKeepTheDocumentWhenTheOriginalLoadsAnother) {
  CGXRMreader original = Loaded("model.xml");
  CGXRMreader copy(original);
  CGXRMreader assigned;
  assigned = original;
  original.ChangeObjName("1F", SHEAR_WALL, "W2", "seen");
  ASSERT_TRUE(original.LoadGXRMfile(DataFile("bare.xml")));
  for (CGXRMreader* r : {&copy, &assigned}) {
    std::vector<CGXRMobj> objs;
    ASSERT_TRUE(r->GetObjList("1F", SHEAR_WALL, objs));
    EXPECT_EQ(objs.at(1).GetName(), "seen");
  }
  EXPECT_EQ(ErrorOf([&] { original.GetFloorCount(); }), kPointer);
}

}  // namespace
