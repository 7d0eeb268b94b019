// The writer's document: root, project sections, object-list skeletons,
// floors and cross-sections, checked through the text of the saved file,
// and what each failure leaves in the document.
#include "writer/CGXRMwriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "WriterTestUtil.h"

namespace {

using namespace writer_test;
namespace format = gxrm::format;

// The text between the first `open` and the next `close`.
std::string Between(const std::string& text, const std::string& open, const std::string& close) {
  size_t begin = text.find(open);
  if (begin == std::string::npos) return "<missing " + open + ">";
  begin += open.size();
  return text.substr(begin, text.find(close, begin) - begin);
}

size_t Count(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// Each kind element of an object list as "KIND: typename ...", a line each.
std::string KindsAndTypes(const IXMLDOMElementPtr& list) {
  std::string out;
  for (gxrm::dom::Node kind : list.childNodes()) {
    if (kind.nodeType() != gxrm::dom::NODE_ELEMENT) continue;
    out += kind.nodeName() + ":";
    for (gxrm::dom::Node type : kind.selectNodes(format::kType)) {
      out += " " + IXMLDOMElementPtr(type).getAttribute(format::kAttTypeName);
    }
    out += "\n";
  }
  return out;
}

const char kCatalogue[] =
    "AXIS: 轴网\n"
    "WALL: 剪力墙 砖墙 砼外墙 砼内墙 砖外墙 砖内墙 电梯井墙 间壁墙 0墙\n"
    "BEAM: 框架梁 次梁 连梁 独立梁 圈梁\n"
    "SLAB: 现浇板 板洞 楼梯\n"
    "COLUMN: 框架柱 暗柱 砼柱 砖柱 构造柱 自适应暗柱\n"
    "FOUNDATION: 独立基础 条形基础 基础连梁 基础主梁 基础次梁 基础梁 砼条基 砖石条基 柱状独立基 满堂基 "
    "筏板基础 筏板洞 井坑\n"
    "WINDOOR: 墙洞 门 窗 飘窗 转角飘窗 填充墙 过梁\n"
    "DECORATE: 房间\n"
    "SLICE: 后浇带 建筑面积 自定义线性构件\n";

TEST(CGXRMwriter, RootCarriesVersionAndHeaderInRecordOrder) {
  CGXRMwriter empty = Started();
  EXPECT_EQ(Saved(empty), InRoot(""));
  EXPECT_EQ(RootName(), std::string("GXRMheader_v") + empty.GetGXRMversion());

  CGXRMwriter writer = Started(Record({{"b", "2"}, {"a", "1"}, {"b", "3"}, {"名称", "办公楼"}}));
  EXPECT_EQ(Saved(writer), InRoot("", " b=\"3\" a=\"1\" 名称=\"办公楼\""));
}

TEST(CGXRMwriter, ProjectSectionsAppendInCallOrderEvenWhenRepeated) {
  CGXRMwriter writer = Started();
  EXPECT_TRUE(writer.CreateProjSetting(Record({{"工程名称", "住宅楼"}, {"a", ""}})));
  EXPECT_TRUE(writer.CreateCalRule(CGXRMnode()));
  EXPECT_TRUE(writer.CreateProjUseSecInfo(Record({{"n", "1"}})));
  EXPECT_TRUE(writer.CreateProjSetting(Record({{"x", "<&\">"}})));
  EXPECT_EQ(Saved(writer), InRoot("<ProjSetting 工程名称=\"住宅楼\" a=\"\">\n</ProjSetting>"
                                  "<CalRule>\n</CalRule>"
                                  "<UserSecInfo n=\"1\">\n</UserSecInfo>"
                                  "<ProjSetting x=\"&lt;&amp;&quot;>\">\n</ProjSetting>"));
}

TEST(CGXRMwriter, CrossSectionsNeedTheirContainerAndKeepOnlyTheRecord) {
  CGXRMwriter writer = Started();
  CGXRMnode sec = Record({{format::kAttSecId, "1"}, {format::kAttSecName, "矩形"}});
  EXPECT_FALSE(writer.AddSec(G("矩形"), sec));
  EXPECT_EQ(Saved(writer), InRoot(""));

  writer.CreateProjUseSecInfo(CGXRMnode());
  EXPECT_TRUE(writer.AddSec(G("矩形"), sec));
  CGXRMnode second = Record({{"Point", "0,0;1,1"}});
  EXPECT_TRUE(writer.AddSec("ignored", second));
  EXPECT_EQ(Saved(writer), InRoot("<UserSecInfo>\n<SecInfo SecID=\"1\" SecName=\"矩形\">\n</SecInfo>"
                                  "<SecInfo Point=\"0,0;1,1\">\n</SecInfo></UserSecInfo>"));
}

TEST(CGXRMwriter, ObjectListsHoldTheWholeCatalogueInOrder) {
  CGXRMwriter writer = WithFloors({"1F"});
  IXMLDOMElementPtr global(Root(writer).selectSingleNode(format::kGlobalObjList));
  IXMLDOMElementPtr floor;
  ASSERT_TRUE(writer.GetFloorNode("1F", floor));
  EXPECT_EQ(KindsAndTypes(global), kCatalogue);
  EXPECT_EQ(KindsAndTypes(floor), kCatalogue);

  std::string text = Saved(writer);
  std::string globalText = Between(text, "<GlobalObjList>\n", "</GlobalObjList>");
  EXPECT_EQ(globalText, Between(text, "<Floor floorname=\"1F\" basepoint=\"\">\n", "</Floor>"));
  EXPECT_EQ(globalText.rfind("<AXIS>\n<Type typename=\"轴网\">\n<ObjTypeInfo>\n</ObjTypeInfo>"
                             "<ObjInstance>\n</ObjInstance></Type></AXIS><WALL>\n",
                             0),
            0u);
  EXPECT_EQ(Count(globalText, "<ObjTypeInfo>\n</ObjTypeInfo><ObjInstance>\n</ObjInstance></Type>"), 48u);
  EXPECT_EQ(Count(text, "/>"), 0u);
}

TEST(CGXRMwriter, FloorsGoUnderRootAfterGlobalListAndInfoUnderFloorInfo) {
  CGXRMwriter writer = Started();
  writer.CreateProjSetting(CGXRMnode());
  EXPECT_TRUE(writer.CreateProjFloorInfo(Record({{"层数", "2"}})));
  EXPECT_TRUE(writer.AddFloor(G("首层"), Record({{"FInfo002", "首层"}, {"FInfo003", "0"}})));
  EXPECT_TRUE(writer.AddFloor("2F", CGXRMnode()));
  std::string text = Saved(writer);
  EXPECT_EQ(text.rfind("<" + RootName() + ">\n<ProjSetting>\n</ProjSetting><ProjFloorInfo 层数=\"2\">\n"
                      "<FloorInfo FInfo002=\"首层\" FInfo003=\"0\">\n</FloorInfo>"
                      "<FloorInfo>\n</FloorInfo></ProjFloorInfo><GlobalObjList>\n<AXIS>",
                      0),
            0u);
  size_t global = text.find("</GlobalObjList>");
  size_t first = text.find("<Floor floorname=\"首层\" basepoint=\"\">\n<AXIS>");
  size_t second = text.find("<Floor floorname=\"2F\" basepoint=\"\">\n<AXIS>");
  EXPECT_LT(global, first);
  EXPECT_LT(first, second);
  EXPECT_NE(second, std::string::npos);
}

TEST(CGXRMwriter, FloorParametersChangeInPlaceOrFollowBasepoint) {
  CGXRMwriter writer = WithFloors({"1F", "1f"});
  EXPECT_TRUE(writer.SetFloorParam("1F", "basepoint", G("0,0,3.6")));
  EXPECT_TRUE(writer.SetFloorParam("1F", G("层高"), "3600"));
  EXPECT_TRUE(writer.SetFloorParam("1F", "basepoint", "1,1"));
  EXPECT_FALSE(writer.SetFloorParam("1", "x", "y"));
  EXPECT_FALSE(writer.SetFloorParam("2F", "x", "y"));
  std::string text = Saved(writer);
  EXPECT_NE(text.find("<Floor floorname=\"1F\" basepoint=\"1,1\" 层高=\"3600\">\n<AXIS>"), std::string::npos);
  EXPECT_NE(text.find("<Floor floorname=\"1f\" basepoint=\"\">\n<AXIS>"), std::string::npos);
  EXPECT_EQ(text.find(" x="), std::string::npos);
}

TEST(CGXRMwriter, AddFloorWithoutFloorInformationRaisesAndChangesNothing) {
  CGXRMwriter writer = Started();
  writer.CreateProjSetting(CGXRMnode());
  std::string before = Saved(writer);
  EXPECT_EQ(CodeOf([&] { writer.AddFloor("1F", Record({{"FInfo002", "1F"}})); }), gxrm::kErrPointer);
  EXPECT_EQ(Saved(writer), before);
  IXMLDOMElementPtr floor;
  EXPECT_FALSE(writer.GetFloorNode("1F", floor));
}

TEST(CGXRMwriter, BadNamesAndTextRaiseBeforeTheElementIsAttached) {
  CGXRMwriter writer = WithFloors({"1F"});
  writer.CreateProjUseSecInfo(CGXRMnode());
  std::string before = Saved(writer);
  CGXRMnode badName = Record({{"ok", "1"}, {"bad name", "2"}});
  CGXRMnode badText;
  badText.AddAtt("v", "\xFF\xFF");
  EXPECT_EQ(CodeOf([&] { writer.CreateProjSetting(badName); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.AddSec("s", badName); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.AddFloor("2F", badName); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.CreateCalRule(badText); }), gxrm::kErrNoUnicodeMap);
  EXPECT_EQ(CodeOf([&] { writer.SetFloorParam("1F", "1x", "v"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.SetFloorParam("1F", "v", "\x01"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(Saved(writer), before);
}

TEST(CGXRMwriter, WithoutDocumentEveryOperationRaisesPointerError) {
  CGXRMwriter writer;
  CGXRMnode record;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"CreateProjSetting", [&] { writer.CreateProjSetting(record); }},
      {"CreateCalRule", [&] { writer.CreateCalRule(record); }},
      {"CreateProjUseSecInfo", [&] { writer.CreateProjUseSecInfo(record); }},
      {"CreateProjFloorInfo", [&] { writer.CreateProjFloorInfo(record); }},
      {"AddFloor", [&] { writer.AddFloor("1F", record); }},
      {"SetFloorParam", [&] { writer.SetFloorParam("1F", "a", "b"); }},
      {"AddSec", [&] { writer.AddSec("s", record); }},
      {"AddObjType", [&] { writer.AddObjType(CGXRMobjType("t", GXRM_objType_base::DOOR)); }},
      {"AddObjType floor", [&] { writer.AddObjType("1F", CGXRMobjType("t", GXRM_objType_base::DOOR)); }},
      {"AddObj", [&] { writer.AddObj(CGXRMobj("o", GXRM_objType_base::DOOR)); }},
      {"AddObj floor", [&] { writer.AddObj("1F", CGXRMobj("o", GXRM_objType_base::DOOR)); }},
      {"ClearCalRule", [&] { writer.ClearCalRule(); }},
      {"AppendCalRule", [&] { writer.AppendCalRule(IXMLDOMElementPtr()); }},
      {"SaveGXRMinstance", [&] { writer.SaveGXRMinstance("never.gxrm"); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(CodeOf(call), gxrm::kErrPointer) << name;
}

TEST(CGXRMwriter, CopiesShareOneDocumentUntilOneStartsAnew) {
  CGXRMwriter writer = WithFloors({});
  CGXRMwriter copy(writer);
  CGXRMwriter assigned;
  assigned = copy;
  assigned = assigned;
  EXPECT_TRUE(copy.AddFloor("1F", CGXRMnode()));
  EXPECT_TRUE(writer.SetFloorParam("1F", "h", "3"));
  EXPECT_TRUE(assigned.AddObj("1F", CGXRMobj("c", "1", GXRM_objType_base::FRAME_COLUMN)));
  std::string text = Saved(writer);
  EXPECT_EQ(Saved(copy), text);
  EXPECT_NE(text.find("<Floor floorname=\"1F\" basepoint=\"\" h=\"3\">"), std::string::npos);
  EXPECT_NE(text.find("<Instance objId=\"1\" objname=\"c\">"), std::string::npos);

  CGXRMnode header;
  ASSERT_TRUE(writer.CreateGXRMinstance(header));
  EXPECT_EQ(Saved(writer), InRoot(""));
  EXPECT_EQ(Saved(copy), text);
}

}  // namespace
