// Component types, instances and calculation rules as the writer puts them
// into the object lists and under the root.
#include <gtest/gtest.h>

#include <string>

#include "WriterTestUtil.h"
#include "writer/CGXRMwriter.h"

namespace {

using namespace writer_test;
using GXRM_objType_base::Type;
namespace format = gxrm::format;

// A rule element made by a document of the host's own, outside the writer's.
IXMLDOMElementPtr ForeignRule(gxrm::dom::Document& doc, const char* n) {
  IXMLDOMElementPtr rule = doc.createElement("R");
  rule.setAttribute("n", n);
  doc.documentElement().appendChild(rule);
  return rule;
}

IXMLDOMElementPtr OwnRule(CGXRMwriter& writer, const char* n) {
  IXMLDOMElementPtr rule = Root(writer).ownerDocument().createElement("R");
  rule.setAttribute("n", n);
  return rule;
}

// The type record of the examples, its lists filled in reverse of the written order.
CGXRMobjType WallType() {
  CGXRMobjType type(G("Q1"), GXRM_objType_base::SHEAR_WALL, "7");
  type.AddSpAttNode(Record({{"p", "1"}}));
  type.AddSection(Record({{"s", "1"}}));
  type.AddGeoAttNode(Record({{"g", "1"}}));
  type.AddAttNode(Record({{"a", "1"}}));
  type.AddAttNode(Record({{"材质", "C30"}, {"b", ""}}));
  return type;
}

const char kWallTypeClass[] =
    "<Type typename=\"剪力墙\">\n<ObjTypeInfo>\n<TypeClass classId=\"7\" classname=\"Q1\">\n"
    "<TypeClassAtt a=\"1\">\n</TypeClassAtt><TypeClassAtt 材质=\"C30\" b=\"\">\n</TypeClassAtt>"
    "<TypeClassGeoAtt g=\"1\">\n</TypeClassGeoAtt><TypeClassSection s=\"1\">\n</TypeClassSection>"
    "<TypeClassSpecialtyAtt p=\"1\">\n</TypeClassSpecialtyAtt>";

TEST(CGXRMwriterObjects, ComponentsHoldIdNameThenTheirListsInFixedOrder) {
  CGXRMwriter writer = WithFloors({"1F"});
  EXPECT_TRUE(writer.AddObjType(WallType()));
  EXPECT_TRUE(writer.AddObjType(CGXRMobjType(G("空"), GXRM_objType_base::SHEAR_WALL)));
  CGXRMobj column(G("KZ1"), "c-1", GXRM_objType_base::CONC_COLUMN);
  column.AddSection(Record({{"b", "400"}}));
  column.AddGeoAttNode(Record({{"x", "0"}}));
  column.AddAttNode(Record({{"标高", "层底"}}));
  EXPECT_TRUE(writer.AddObj("1F", column));
  EXPECT_TRUE(writer.AddObj("1F", column));

  std::string text = Saved(writer);
  EXPECT_LT(text.find(std::string(kWallTypeClass) +
                      "</TypeClass><TypeClass classId=\"\" classname=\"空\">\n</TypeClass></ObjTypeInfo>"
                      "<ObjInstance>\n</ObjInstance></Type><Type typename=\"砖墙\">"),
            text.find("<Floor "));
  std::string instance = "<Instance objId=\"c-1\" objname=\"KZ1\">\n<objAtt 标高=\"层底\">\n</objAtt>"
                         "<objGeoAtt x=\"0\">\n</objGeoAtt><objSection b=\"400\">\n</objSection></Instance>";
  EXPECT_GT(text.find("<Type typename=\"砼柱\">\n<ObjTypeInfo>\n</ObjTypeInfo><ObjInstance>\n" + instance +
                      instance + "</ObjInstance></Type>"),
            text.find("<Floor floorname=\"1F\""));
}

TEST(CGXRMwriterObjects, OnlyTheFloorFormWritesTheRulesThemselvesInOrder) {
  auto host = gxrm::dom::Document::create();
  host.appendChild(host.createElement("rules"));
  CGXRMwriter writer = WithFloors({"1F"});
  CGXRMobjType type = WallType();
  type.AppendCalRule(ForeignRule(host, "1"));
  type.AppendCalRule(OwnRule(writer, "2"));

  EXPECT_TRUE(writer.AddObjType(type));
  EXPECT_EQ(Saved(writer).find("TypeClassCalRule"), std::string::npos);
  EXPECT_TRUE(writer.AddObjType("1F", type));
  EXPECT_NE(Saved(writer).find(std::string(kWallTypeClass) +
                               "<TypeClassCalRule>\n<R n=\"1\"/><R n=\"2\"/></TypeClassCalRule></TypeClass>"),
            std::string::npos);
  EXPECT_EQ(host.documentElement().childNodes().length(), 1);

  CGXRMobjType broken(G("Q"), GXRM_objType_base::SHEAR_WALL, "1");
  broken.AppendCalRule(OwnRule(writer, "3"));
  broken.AppendCalRule(IXMLDOMElementPtr());
  EXPECT_EQ(CodeOf([&] { writer.AddObjType("1F", broken); }), gxrm::kErrPointer);
  EXPECT_NE(Saved(writer).find("<TypeClass classId=\"1\" classname=\"Q\">\n<TypeClassCalRule>\n<R n=\"3\"/>"
                               "</TypeClassCalRule></TypeClass>"),
            std::string::npos);
}

TEST(CGXRMwriterObjects, MissingPlacesGiveFalseAndBadNamesKeepWhatWasMade) {
  CGXRMwriter writer = WithFloors({"1F"});
  std::string before = Saved(writer);
  EXPECT_FALSE(writer.AddObj("2F", CGXRMobj("o", GXRM_objType_base::DOOR)));
  EXPECT_FALSE(writer.AddObj("1f", CGXRMobj("o", GXRM_objType_base::DOOR)));
  EXPECT_FALSE(writer.AddObjType("2F", CGXRMobjType("t", GXRM_objType_base::DOOR)));
  EXPECT_FALSE(writer.AddObj(CGXRMobj("o", GXRM_objType_base::TYPE_NONE)));
  EXPECT_FALSE(writer.AddObjType("1F", CGXRMobjType("t", static_cast<Type>(-1))));
  EXPECT_EQ(Saved(writer), before);

  CGXRMwriter noLists = Started();
  noLists.CreateProjSetting(CGXRMnode());
  EXPECT_EQ(CodeOf([&] { noLists.AddObj(CGXRMobj("o", GXRM_objType_base::DOOR)); }), gxrm::kErrPointer);
  EXPECT_EQ(CodeOf([&] { noLists.AddObjType(CGXRMobjType("t", GXRM_objType_base::DOOR)); }), gxrm::kErrPointer);

  CGXRMobj door("M1", "9", GXRM_objType_base::DOOR);
  door.AddAttNode(Record({{"a", "1"}}));
  door.AddGeoAttNode(Record({{"not ok", "2"}}));
  EXPECT_EQ(CodeOf([&] { writer.AddObj(door); }), gxrm::kErrInvalidArg);
  EXPECT_NE(Saved(writer).find("<ObjInstance>\n<Instance objId=\"9\" objname=\"M1\">\n<objAtt a=\"1\">\n"
                               "</objAtt></Instance></ObjInstance>"),
            std::string::npos);
}

TEST(CGXRMwriterObjects, AppendCalRuleMakesTheRuleElementWhenMissing) {
  CGXRMwriter writer = Started();
  writer.CreateProjSetting(CGXRMnode());
  auto host = gxrm::dom::Document::create();
  host.appendChild(host.createElement("rules"));
  EXPECT_TRUE(writer.AppendCalRule(ForeignRule(host, "1")));
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "2")));
  EXPECT_EQ(Saved(writer), InRoot("<ProjSetting>\n</ProjSetting><CalRule>\n<R n=\"1\"/><R n=\"2\"/></CalRule>"));
  EXPECT_EQ(host.documentElement().childNodes().length(), 1);
  EXPECT_EQ(CodeOf([&] { writer.AppendCalRule(IXMLDOMElementPtr()); }), gxrm::kErrPointer);
}

TEST(CGXRMwriterObjects, RulesGoToTheFirstRuleElementUntilItIsCleared) {
  CGXRMwriter writer = Started();
  writer.CreateCalRule(Record({{"版本", "2013"}}));
  writer.CreateCalRule(Record({{"second", "1"}}));
  IXMLDOMElementPtr first = OwnRule(writer, "1");
  EXPECT_TRUE(writer.AppendCalRule(first));
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "2")));
  EXPECT_TRUE(writer.AppendCalRule(first));
  EXPECT_EQ(Saved(writer), InRoot("<CalRule 版本=\"2013\">\n<R n=\"2\"/><R n=\"1\"/></CalRule>"
                                  "<CalRule second=\"1\">\n</CalRule>"));
  writer.ClearCalRule();
  writer.CreateProjSetting(CGXRMnode());
  EXPECT_TRUE(writer.ClearCalRule());
  EXPECT_FALSE(writer.ClearCalRule());
  EXPECT_TRUE(writer.AppendCalRule(OwnRule(writer, "new")));
  EXPECT_EQ(Saved(writer), InRoot("<ProjSetting>\n</ProjSetting><CalRule>\n<R n=\"new\"/></CalRule>"));
}

}  // namespace
