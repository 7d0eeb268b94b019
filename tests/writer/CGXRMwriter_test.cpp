// The writer's document through the whole text of the saved file, and what
// each failure leaves in it.
#include "writer/CGXRMwriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "TestUtil.h"

namespace {

using namespace gxrm_test;
using namespace GXRM_objType_base;
constexpr uint32_t kPointer = gxrm::kErrPointer;

// Every kind of the catalogue with the names of its types, in order.
const char* const kCatalogue[] = {"AXIS 轴网",
                                  "WALL 剪力墙 砖墙 砼外墙 砼内墙 砖外墙 砖内墙 电梯井墙 间壁墙 0墙",
                                  "BEAM 框架梁 次梁 连梁 独立梁 圈梁",
                                  "SLAB 现浇板 板洞 楼梯",
                                  "COLUMN 框架柱 暗柱 砼柱 砖柱 构造柱 自适应暗柱",
                                  "FOUNDATION 独立基础 条形基础 基础连梁 基础主梁 基础次梁 基础梁 砼条基 "
                                  "砖石条基 柱状独立基 满堂基 筏板基础 筏板洞 井坑",
                                  "WINDOOR 墙洞 门 窗 飘窗 转角飘窗 填充墙 过梁",
                                  "DECORATE 房间",
                                  "SLICE 后浇带 建筑面积 自定义线性构件"};

// An object list's text: every type of the catalogue, its type and instance
// lists empty unless `fill` gives their content.
std::string Lists(const std::map<std::string, std::pair<std::string, std::string>>& fill = {}) {
  std::string text;
  for (const char* row : kCatalogue) {
    std::istringstream words(row);
    std::string kind, type;
    words >> kind;
    text += "<" + kind + ">\n";
    while (words >> type) {
      const auto [types, objs] = fill.count(type) ? fill.at(type) : std::pair<std::string, std::string>();
      text += "<Type typename=\"" + type + "\">\n<ObjTypeInfo>\n" + types + "</ObjTypeInfo><ObjInstance>\n" +
              objs + "</ObjInstance></Type>";
    }
    text += "</" + kind + ">";
  }
  return text;
}

std::string InRoot(const std::string& inner, const std::string& atts = "") {
  const std::string root = "GXRMheader_v" + CGXRMwriter().GetGXRMversion();
  return "<" + root + atts + ">\n" + inner + "</" + root + ">";
}

// The file of a writer from WithFloor1F() whose lists hold `global` and `floor`.
std::string OneFloor(const std::string& global, const std::string& floor) {
  return InRoot(
      "<ProjFloorInfo>\n<FloorInfo FInfo002=\"1F\">\n</FloorInfo></ProjFloorInfo><GlobalObjList>\n" + global +
      "</GlobalObjList><Floor floorname=\"1F\" basepoint=\"\">\n" + floor + "</Floor>");
}

CGXRMwriter Started() {
  CGXRMwriter writer;
  CGXRMnode header;
  EXPECT_TRUE(writer.CreateGXRMinstance(header));
  return writer;
}

CGXRMwriter WithFloor1F() {
  CGXRMwriter writer = Started();
  EXPECT_TRUE(writer.CreateProjFloorInfo(CGXRMnode()));
  EXPECT_TRUE(writer.AddFloor("1F", Record({{"FInfo002", "1F"}})));
  return writer;
}

// Saves into this test's own file and reads it back.
std::string Saved(CGXRMwriter& writer) {
  const std::string path =
      TempPath(testing::UnitTest::GetInstance()->current_test_info()->name() + std::string(".x"));
  writer.SaveGXRMinstance(path);
  return ReadFile(path);
}

TEST(CGXRMwriter, RootAndSectionsAppendInCallOrderThroughEveryCopy) {
  CGXRMwriter writer, assigned;
  CGXRMnode header = Record({{"b", "2"}, {"a", "1"}, {"b", "3"}, {"名称", "办公楼"}});
  CGXRMnode sec = Record({{"SecID", "1"}, {"SecName", "矩形"}}), point = Record({{"Point", "0,0;1,1"}});
  writer.CreateGXRMinstance(header);
  CGXRMwriter copy(writer);
  assigned = copy;
  EXPECT_FALSE(writer.AddSec(Gbk("矩形"), sec));  // no cross-section container yet
  EXPECT_TRUE(writer.CreateProjSetting(Record({{"工程名称", "住宅楼"}, {"a", ""}})));
  EXPECT_TRUE(copy.CreateCalRule(CGXRMnode()));
  EXPECT_TRUE(assigned.CreateProjUseSecInfo(Record({{"n", "1"}})));
  EXPECT_TRUE(writer.AddSec(Gbk("矩形"), sec));
  EXPECT_TRUE(copy.AddSec("ignored", point));
  EXPECT_TRUE(assigned.CreateProjSetting(Record({{"x", "<&\">"}})));
  const std::string atts = " b=\"3\" a=\"1\" 名称=\"办公楼\"", text = Saved(writer);
  EXPECT_EQ(text, InRoot("<ProjSetting 工程名称=\"住宅楼\" a=\"\">\n</ProjSetting><CalRule>\n</CalRule>"
                         "<UserSecInfo n=\"1\">\n<SecInfo SecID=\"1\" SecName=\"矩形\">\n</SecInfo>"
                         "<SecInfo Point=\"0,0;1,1\">\n</SecInfo></UserSecInfo>"
                         "<ProjSetting x=\"&lt;&amp;&quot;>\">\n</ProjSetting>",
                         atts));
  // A new document for one leaves the copies the old one.
  writer.CreateGXRMinstance(header);
  EXPECT_EQ(Saved(writer), InRoot("", atts));
  EXPECT_EQ(Saved(copy), text);
}

TEST(CGXRMwriter, FloorsFollowTheGlobalListAndEachListHoldsTheWholeCatalogue) {
  CGXRMwriter writer = Started();
  ASSERT_TRUE(writer.CreateProjSetting(CGXRMnode()));
  ASSERT_TRUE(writer.CreateProjFloorInfo(Record({{"层数", "2"}})));
  EXPECT_TRUE(writer.AddFloor(Gbk("首层"), Record({{"FInfo002", "首层"}, {"FInfo003", "0"}})));
  EXPECT_TRUE(writer.AddFloor("2F", CGXRMnode()));
  // Parameters change in place, after the base point; floor names match exactly.
  EXPECT_TRUE(writer.SetFloorParam("2F", "basepoint", "0,0,3.6"));
  EXPECT_TRUE(writer.SetFloorParam("2F", Gbk("层高"), "3600"));
  EXPECT_TRUE(writer.SetFloorParam("2F", "basepoint", "1,1"));
  EXPECT_FALSE(writer.SetFloorParam("2f", "x", "y"));
  EXPECT_FALSE(writer.SetFloorParam("2", "x", "y"));
  const std::string lists = Lists();
  EXPECT_EQ(
      Saved(writer),
      InRoot("<ProjSetting>\n</ProjSetting><ProjFloorInfo 层数=\"2\">\n<FloorInfo FInfo002=\"首层\" "
             "FInfo003=\"0\">\n</FloorInfo><FloorInfo>\n</FloorInfo></ProjFloorInfo>"
             "<GlobalObjList>\n" +
             lists + "</GlobalObjList><Floor floorname=\"首层\" basepoint=\"\">\n" + lists +
             "</Floor><Floor floorname=\"2F\" basepoint=\"1,1\" 层高=\"3600\">\n" + lists + "</Floor>"));
}

TEST(CGXRMwriter, RefusedOperationsRaiseAndChangeNothing) {
  CGXRMwriter w, bare = Started(), writer = WithFloor1F();
  CGXRMnode r, bad_name = Record({{"ok", "1"}, {"bad name", "2"}});
  const CGXRMobjType type("t", DOOR);
  const CGXRMobj obj("o", DOOR);
  // Without a document every operation raises (the other sections take CreateProjSetting's road).
  const std::function<void()> calls[] = {[&] { w.CreateProjSetting(r); },
                                         [&] { w.CreateProjFloorInfo(r); },
                                         [&] { w.AddFloor("1F", r); },
                                         [&] { w.SetFloorParam("1F", "a", "b"); },
                                         [&] { w.AddSec("s", r); },
                                         [&] { w.AddObjType(type); },
                                         [&] { w.AddObjType("1F", type); },
                                         [&] { w.AddObj(obj); },
                                         [&] { w.AddObj("1F", obj); },
                                         [&] { w.ClearCalRule(); },
                                         [&] { w.AppendCalRule(IXMLDOMElementPtr()); }};
  for (size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(CodeOf(calls[i]), kPointer) << "call " << i;
  EXPECT_EQ(CodeOf([&] { bare.AddFloor("1F", r); }), kPointer);  // no floor information
  EXPECT_EQ(Saved(bare), InRoot(""));
  writer.CreateProjUseSecInfo(r);
  const std::string before = Saved(writer);
  // Sections refuse records as AddChild does; a floor's two elements go in together or not at all.
  EXPECT_EQ(CodeOf([&] { writer.AddSec("s", bad_name); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.AddFloor("2F", bad_name); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.SetFloorParam("1F", "1x", "v"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { writer.SetFloorParam("1F", "v", "\x01"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(Saved(writer), before);
}

// A rule element; without `doc`, the root of a host document of its own.
IXMLDOMElementPtr Rule(const char* n, gxrm::dom::Document doc = gxrm::dom::Document::create()) {
  IXMLDOMElementPtr rule = doc.createElement("R");
  rule.setAttribute("n", n);
  if (!doc.documentElement()) doc.appendChild(rule);
  return rule;
}

// A rule made by the writer's own document.
IXMLDOMElementPtr OwnRule(CGXRMwriter& writer, const char* n) {
  IXMLDOMElementPtr root;
  writer.GetRootElem(root);
  return Rule(n, root.ownerDocument());
}

TEST(CGXRMwriterObjects, TypesAndInstancesHoldIdNameThenTheirListsInFixedOrder) {
  CGXRMwriter writer = WithFloor1F(), no_lists = Started();
  const IXMLDOMElementPtr foreign = Rule("1");
  CGXRMobjType type("Q1", SHEAR_WALL, "7"),
      broken("Q", SHEAR_WALL, "1");  // lists filled against written order
  type.AddSpAttNode(Record({{"p", "1"}}));
  type.AddSection(Record({{"s", "1"}}));
  type.AddGeoAttNode(Record({{"g", "1"}}));
  type.AddAttNode(Record({{"a", "1"}}));
  type.AddAttNode(Record({{"材质", "C30"}, {"b", ""}}));
  type.AppendCalRule(foreign);
  type.AppendCalRule(OwnRule(writer, "2"));
  broken.AppendCalRule(OwnRule(writer, "3"));
  broken.AppendCalRule(IXMLDOMElementPtr());
  CGXRMobj column(Gbk("KZ1"), "c-1", CONC_COLUMN), door("M1", "9", DOOR);
  column.AddSection(Record({{"b", "400"}}));
  column.AddGeoAttNode(Record({{"x", "0"}}));
  column.AddAttNode(Record({{"标高", "层底"}}));
  door.AddAttNode(Record({{"a", "1"}}));
  door.AddGeoAttNode(Record({{"not ok", "2"}}));
  // Only the floor form writes a type's rules; the host's rule is copied, not taken.
  EXPECT_TRUE(writer.AddObjType(type));
  EXPECT_TRUE(writer.AddObjType(CGXRMobjType(Gbk("空"), SHEAR_WALL)));
  EXPECT_TRUE(writer.AddObjType("1F", type));
  EXPECT_TRUE(writer.AddObj("1F", column));
  EXPECT_TRUE(writer.AddObj("1F", column));
  EXPECT_EQ(foreign.ownerDocument().documentElement(), foreign);
  // Missing places give false; failures keep what was made before them.
  EXPECT_FALSE(writer.AddObj("2F", column));
  EXPECT_FALSE(writer.AddObj("1f", column));
  EXPECT_FALSE(writer.AddObjType("2F", type));
  EXPECT_FALSE(writer.AddObj(CGXRMobj("o", TYPE_NONE)));
  EXPECT_FALSE(writer.AddObjType("1F", CGXRMobjType("t", Type(-1))));
  no_lists.CreateProjSetting(CGXRMnode());
  EXPECT_EQ(CodeOf([&] { no_lists.AddObj(column); }), kPointer);
  EXPECT_EQ(CodeOf([&] { no_lists.AddObjType(type); }), kPointer);
  EXPECT_EQ(CodeOf([&] { writer.AddObjType("1F", broken); }), kPointer);
  EXPECT_EQ(CodeOf([&] { writer.AddObj(door); }), gxrm::kErrInvalidArg);
  const std::string wall =
      "<TypeClass classId=\"7\" classname=\"Q1\">\n<TypeClassAtt a=\"1\">\n</TypeClassAtt><TypeClassAtt "
      "材质=\"C30\" "
      "b=\"\">\n</TypeClassAtt><TypeClassGeoAtt g=\"1\">\n</TypeClassGeoAtt><TypeClassSection s=\"1\">\n"
      "</TypeClassSection><TypeClassSpecialtyAtt p=\"1\">\n</TypeClassSpecialtyAtt>";
  const std::string instance =
      "<Instance objId=\"c-1\" objname=\"KZ1\">\n<objAtt 标高=\"层底\">\n</objAtt>"
      "<objGeoAtt x=\"0\">\n</objGeoAtt><objSection b=\"400\">\n</objSection></Instance>";
  const std::string empty = "<TypeClass classId=\"\" classname=\"空\">\n</TypeClass>";
  const std::string rules = "<TypeClassCalRule>\n<R n=\"1\"/><R n=\"2\"/></TypeClassCalRule></TypeClass>";
  const std::string partial =
      "<TypeClass classId=\"1\" classname=\"Q\">\n<TypeClassCalRule>\n<R "
      "n=\"3\"/></TypeClassCalRule></TypeClass>";
  const std::string door_text =
      "<Instance objId=\"9\" objname=\"M1\">\n<objAtt a=\"1\">\n</objAtt></Instance>";
  EXPECT_EQ(Saved(writer),
            OneFloor(Lists({{"剪力墙", {wall + "</TypeClass>" + empty, ""}}, {"门", {"", door_text}}}),
                     Lists({{"剪力墙", {wall + rules + partial, ""}}, {"砼柱", {"", instance + instance}}})));
}

// Components are built straight in the tree, their element names and line
// feeds pointing at the library's constants: they must change, copy and go
// like any other node.
TEST(CGXRMwriterObjects, ComponentsBuiltInPlaceEditCopyAndRemoveLikeAnyNode) {
  CGXRMwriter writer = WithFloor1F();
  CGXRMobj door("M1", "9", DOOR);
  door.AddAttNode(Record({{"材质", "木"}}));
  ASSERT_TRUE(writer.AddObj("1F", door));
  ASSERT_TRUE(writer.AddObj("1F", door));
  IXMLDOMElementPtr list;
  ASSERT_TRUE(writer.GetObjInstanceNode("1F", DOOR, list));
  IXMLDOMElementPtr first = list.selectSingleNode("Instance"), att = first.selectSingleNode("objAtt");
  first.firstChild().text("line one\n");
  att.firstChild().text("x");  // no longer than the line feed it replaces
  att.setAttribute("objId", "x");
  gxrm::dom::Document other = gxrm::dom::Document::create();
  other.appendChild(first);  // a copy: the writer's document keeps its own
  list.appendChild(list.selectSingleNode("Instance"));
  list.removeChild(first);
  const std::string copy =
      "<Instance objId=\"9\" objname=\"M1\">line one\n<objAtt 材质=\"木\" objId=\"x\">x</objAtt></Instance>";
  const std::string kept =
      "<Instance objId=\"9\" objname=\"M1\">\n<objAtt 材质=\"木\">\n</objAtt></Instance>";
  EXPECT_EQ(other.xml(), copy);
  EXPECT_EQ(Saved(writer), OneFloor(Lists(), Lists({{"门", {"", kept}}})));
  writer = CGXRMwriter();
  EXPECT_EQ(other.xml(), copy);
}

TEST(CGXRMwriterObjects, RulesGoToTheFirstRuleElementMadeWhenMissing) {
  CGXRMwriter writer = Started();
  const IXMLDOMElementPtr foreign = Rule("1");
  writer.CreateProjSetting(CGXRMnode());
  EXPECT_FALSE(writer.ClearCalRule());
  EXPECT_TRUE(writer.AppendCalRule(foreign));
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "2")));
  EXPECT_EQ(foreign.ownerDocument().documentElement(), foreign);  // copied, not taken
  EXPECT_EQ(CodeOf([&] { writer.AppendCalRule(IXMLDOMElementPtr()); }), kPointer);
  writer.CreateCalRule(Record({{"版本", "2013"}}));
  IXMLDOMElementPtr again = OwnRule(writer, "3");
  EXPECT_TRUE(writer.AppendCalRule(again));
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "4")));
  EXPECT_TRUE(writer.AppendCalRule(again));
  EXPECT_EQ(Saved(writer),
            InRoot("<ProjSetting>\n</ProjSetting><CalRule>\n<R n=\"1\"/><R n=\"2\"/><R n=\"4\"/>"
                   "<R n=\"3\"/></CalRule><CalRule 版本=\"2013\">\n</CalRule>"));
  EXPECT_TRUE(writer.ClearCalRule());
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "5")));
  EXPECT_EQ(Saved(writer),
            InRoot("<ProjSetting>\n</ProjSetting><CalRule 版本=\"2013\">\n<R n=\"5\"/></CalRule>"));
}

}  // namespace
