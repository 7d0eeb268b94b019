// Reader on hand-written files: what the writer never writes (comments, text,
// second sections, interleaved children, missing keys, other encodings).
#include "reader/CGXRMreader.h"

#include <gtest/gtest.h>

#include "ReaderTestUtil.h"
#include "format/GXRMformat.h"

namespace {

using namespace reader_test;
using GXRM_objType_base::SHEAR_WALL;
constexpr uint32_t kPointer = gxrm::kErrPointer;

CGXRMreader Loaded(const char* file) {
  CGXRMreader reader;
  EXPECT_TRUE(reader.LoadGXRMfile(DataFile(file))) << file;
  return reader;
}

TEST(CGXRMreader, VersionIsRootNameAfterUnderscoreAndOneCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"GXRMheader_v2.1", "2.1"}, {"A_B_C", "_C"}, {"plain", ""}, {"X_", ""}, {"GXRMheader_x2", "2"},
      {"版_本2", "2"}};
  for (const auto& [root, version] : cases) {
    std::string path = WriteTemp("version.xml", "<" + std::string(root) + "/>");
    CGXRMreader reader;
    CString got = "old";
    ASSERT_TRUE(reader.LoadGXRMfile(path)) << root;
    EXPECT_TRUE(reader.GetGXRMfileVer(got)) << root;
    EXPECT_EQ(got, Gbk(version)) << root;
  }
}

TEST(CGXRMreader, FailedLoadLeavesRootlessDocumentAndSaysWhere) {
  CGXRMreader reader;
  EXPECT_TRUE(reader.GetLoadError().reason.empty());
  CGXRMnode record;
  EXPECT_FALSE(reader.GetRoot(record));
  EXPECT_EQ(ErrorOf([&] { reader.GetProjSetting(record); }), kPointer);

  ASSERT_TRUE(reader.LoadGXRMfile(DataFile("model.xml")));
  EXPECT_FALSE(reader.LoadGXRMfile(DataFile("broken.xml")));
  EXPECT_EQ(reader.GetLoadError().line, 4);
  EXPECT_EQ(reader.GetLoadError().linepos, 5);
  EXPECT_FALSE(reader.GetLoadError().reason.empty());
  CString version = "old";
  EXPECT_FALSE(reader.GetGXRMfileVer(version));
  EXPECT_EQ(version, "");
  EXPECT_FALSE(reader.GetRoot(record));
  EXPECT_EQ(ErrorOf([&] { reader.GetProjSetting(record); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { reader.CountCalRule(); }), kPointer);

  EXPECT_FALSE(reader.LoadGXRMfile(DataFile("no such file.xml")));
  EXPECT_EQ(reader.GetLoadError().errorCode, -1);
  EXPECT_EQ(ErrorOf([&] { reader.GetFloorCount(); }), kPointer);
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
  CGXRMreader bare = Loaded("bare.xml");
  EXPECT_FALSE(bare.GetProjSetting(record));
  EXPECT_FALSE(bare.GetCalRule(record));
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
  EXPECT_FALSE(reader.GetFloor("9F", floor));
  EXPECT_EQ(floor.GetNamedAtt("h"), "3000");

  std::vector<CGXRMnode> floors(1);
  ASSERT_TRUE(reader.GetFloors(floors));
  ASSERT_EQ(floors.size(), 4u);
  EXPECT_EQ(floors[2].GetAttMap(), Pairs({{"h", "3300"}, {gxrm::format::kAttFloorKey, "2F"}}));
  EXPECT_EQ(floors[3].GetNamedAtt("h"), "second");
}

TEST(CGXRMreader, MissingFloorInfoSectionRaisesExceptForNames) {
  CGXRMreader bare = Loaded("bare.xml");
  CStringArray names;
  std::vector<CGXRMnode> floors;
  CGXRMnode floor;
  EXPECT_FALSE(bare.GetFloorNames(names));
  EXPECT_EQ(ErrorOf([&] { bare.GetFloor("1F", floor); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { bare.GetFloors(floors); }), kPointer);
  EXPECT_EQ(ErrorOf([&] { bare.GetFloorCount(); }), kPointer);

  CGXRMreader empty = Loaded("nofloorinfo.xml");
  EXPECT_EQ(empty.GetFloorCount(), 0);
  EXPECT_TRUE(empty.GetFloorNames(names));
  EXPECT_TRUE(empty.GetFloors(floors));
  EXPECT_FALSE(empty.GetFloor("1F", floor));
  EXPECT_TRUE(names.empty() && floors.empty());
}

TEST(CGXRMreader, FloorWalksRaiseAtAKeylessFloorOnlyWhenTheyReachIt) {
  CGXRMreader reader = Loaded("keyless.xml");
  CGXRMnode floor;
  EXPECT_TRUE(reader.GetFloor("1F", floor));
  EXPECT_EQ(ErrorOf([&] { reader.GetFloor("2F", floor); }), kPointer);
  CStringArray names;
  EXPECT_EQ(ErrorOf([&] { reader.GetFloorNames(names); }), kPointer);
  EXPECT_EQ(names, CStringArray{"1F"});
  std::vector<CGXRMnode> floors;
  EXPECT_TRUE(reader.GetFloors(floors));
  EXPECT_EQ(reader.GetFloorCount(), 3);
}

TEST(CGXRMreader, FloorParamsComeFromTheFirstFloorElementOfThatName) {
  CGXRMreader reader = Loaded("model.xml");
  const std::pair<const char*, const char*> params[] = {
      {gxrm::format::kAttFloorName, "1F"}, {gxrm::format::kAttBasePoint, ""}, {"标高", "3.0"}};
  for (const auto& [name, expected] : params) {
    CString value = "old";
    EXPECT_TRUE(reader.GetFloorParam("1F", Gbk(name), value)) << name;
    EXPECT_EQ(value, Gbk(expected)) << name;
  }
  CString value = "old";
  EXPECT_FALSE(reader.GetFloorParam("9F", "h", value));
  EXPECT_EQ(ErrorOf([&] { reader.GetFloorParam("1F", "H", value); }), kPointer);
  EXPECT_EQ(value, "old");
}

TEST(CGXRMreader, TypeDefinitionsCollectChildrenByNameInFileOrder) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobjType> types(1);
  ASSERT_TRUE(reader.GetObjTypeList("1F", SHEAR_WALL, types));
  ASSERT_EQ(types.size(), 3u);
  const CGXRMobjType& q1 = types[1];
  EXPECT_EQ(q1.GetName(), "Q1");
  EXPECT_EQ(q1.GetId(), "");
  EXPECT_EQ(q1.GetType(), SHEAR_WALL);
  EXPECT_EQ(q1.GetAttMap(), Pairs({{"厚度", "200"}, {"a", "1"}}));
  EXPECT_EQ(q1.GetGeoAttMap(), Pairs({{"g", "1"}, {"g", "2"}}));
  EXPECT_EQ(q1.GetSectionMap(), Pairs({{"s", "1"}}));
  EXPECT_EQ(q1.GetSpAttMap(), Pairs({{"sp", "1"}}));
  // Rules stop at the text; the second rule container is not read.
  std::vector<IXMLDOMElementPtr> rules = q1.GetCalRule();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[1].getAttribute("id"), "r2");
  const CGXRMobjType& empty = types[2];
  EXPECT_EQ(empty.GetName(), Gbk("空"));
  EXPECT_EQ(empty.GetAttNodeCount() + empty.GetGeoAttNodeCount() + empty.GetSectionNodeCount() +
                empty.GetSpAttNodeCount() + empty.CountCalRule(),
            0);

  std::vector<CGXRMobjType> global;
  ASSERT_TRUE(reader.GetObjTypeList(SHEAR_WALL, global));
  ASSERT_EQ(global.size(), 1u);
  EXPECT_EQ(global[0].GetName(), "GQ1");
  EXPECT_EQ(global[0].CountCalRule(), 1);
}

TEST(CGXRMreader, InstancesCollectChildrenByNameInFileOrder) {
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobj> objs;
  ASSERT_TRUE(reader.GetObjList("1F", SHEAR_WALL, objs));
  ASSERT_EQ(objs.size(), 3u);
  EXPECT_EQ(objs[0].GetName(), "W1");
  EXPECT_EQ(objs[0].GetId(), "");
  EXPECT_EQ(objs[0].GetAttMap(), Pairs({{"a", "1"}, {"a", "2"}}));
  EXPECT_EQ(objs[0].GetGeoAttMap(), Pairs({{"g", "1"}}));
  EXPECT_EQ(objs[0].GetSectionMap(), Pairs({{"s", "1"}}));
  EXPECT_EQ(objs[1].GetName(), "W2");
  EXPECT_EQ(objs[1].GetAttNodeCount(), 0);

  std::vector<CGXRMobj> global;
  ASSERT_TRUE(reader.GetObjList(SHEAR_WALL, global));
  ASSERT_EQ(global.size(), 1u);
  EXPECT_EQ(global[0].GetNamedAtt("k"), "v");
}

TEST(CGXRMreader, MissingListsGiveFalseAndLeaveTheVectorUntouched) {
  using namespace GXRM_objType_base;
  CGXRMreader reader = Loaded("model.xml");
  std::vector<CGXRMobjType> types;
  std::vector<CGXRMobj> objs;
  EXPECT_TRUE(reader.GetObjTypeList("1F", BRICK_WALL, types));    // empty container
  EXPECT_FALSE(reader.GetObjList("1F", BRICK_WALL, objs));        // no container
  EXPECT_FALSE(reader.GetObjList("1F", FRAME_BEAM, objs));        // no kind element
  EXPECT_FALSE(reader.GetObjList("2F", SHEAR_WALL, objs));        // no floor
  EXPECT_FALSE(reader.GetObjTypeList(BRICK_WALL, types));         // no type element
  for (int bad : {-1, 48, 100}) {
    EXPECT_FALSE(reader.GetObjList("1F", static_cast<Type>(bad), objs)) << bad;
    EXPECT_FALSE(reader.GetObjTypeList(static_cast<Type>(bad), types)) << bad;
  }
  EXPECT_TRUE(types.empty() && objs.empty());
  EXPECT_FALSE(Loaded("nofloorinfo.xml").GetObjList(SHEAR_WALL, objs));
  EXPECT_EQ(ErrorOf([&] { Loaded("bare.xml").GetObjList(SHEAR_WALL, objs); }), kPointer);
}

TEST(CGXRMreader, NamelessTypeOrInstanceRaisesAndKeepsWhatCameBefore) {
  CGXRMreader reader = Loaded("keyless.xml");
  std::vector<CGXRMobjType> types;
  EXPECT_EQ(ErrorOf([&] { reader.GetObjTypeList("1F", SHEAR_WALL, types); }), kPointer);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].GetName(), "A");
  EXPECT_EQ(ErrorOf([&] { reader.ChangeObjName("1F", SHEAR_WALL, "W1", "X"); }), kPointer);
  std::vector<CGXRMobj> objs;
  EXPECT_EQ(ErrorOf([&] { reader.GetObjList("1F", SHEAR_WALL, objs); }), kPointer);
  ASSERT_EQ(objs.size(), 1u);
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

  std::string path = TempFile("renamed.xml");
  reader.SaveGXRMinstance(path);
  CGXRMreader again;
  ASSERT_TRUE(again.LoadGXRMfile(path));
  std::vector<CGXRMobj> after;
  ASSERT_TRUE(again.GetObjList("1F", SHEAR_WALL, after));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0].GetName(), Gbk("新墙"));
  EXPECT_EQ(after[1].GetName(), "W2");
  EXPECT_EQ(after[2].GetName(), Gbk("新墙"));
  EXPECT_EQ(after[0].GetAttNodeCount(), 2);
}

TEST(CGXRMreader, UserSectionsGiveFiveValuesPerChildWhateverItsName) {
  CGXRMreader reader = Loaded("model.xml");
  CStringArray sections{"kept"};
  ASSERT_TRUE(reader.GetUserSec(sections));
  const CStringArray expected{"kept",                                         //
                              "S1", Gbk("矩形"), "0,0;100,0", "0", "0,0",  //
                              "",   "only",     "",          "",  "",     //
                              "",   "",         "",          "",  ""};
  EXPECT_EQ(sections, expected);
  ASSERT_TRUE(reader.GetUserSec(sections));
  EXPECT_EQ(sections.size(), 31u);

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
  EXPECT_EQ(Loaded("nofloorinfo.xml").CountCalRule(), 0);
  EXPECT_EQ(ErrorOf([] { CGXRMreader().GetCalRule(); }), kPointer);
}

TEST(CGXRMreader, DeclaredEncodingsReachTheHostAsGbk) {
  for (const char* file : {"gbk.xml", "utf16.xml"}) {
    CGXRMreader reader = Loaded(file);
    CGXRMnode root;
    ASSERT_TRUE(reader.GetRoot(root)) << file;
    EXPECT_EQ(root.GetAttMap(), Pairs({{"名称", "住宅楼"}})) << file;
    CStringArray names;
    ASSERT_TRUE(reader.GetFloorNames(names)) << file;
    EXPECT_EQ(names, CStringArray{Gbk("一层")}) << file;
  }
}

TEST(CGXRMreader, CopyKeepsTheDocumentWhenTheOriginalLoadsAnother) {
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
    EXPECT_EQ(r->GetFloorCount(), 3);
  }
  EXPECT_EQ(ErrorOf([&] { original.GetFloorCount(); }), kPointer);
}

}  // namespace
