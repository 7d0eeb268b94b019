// Type records: own name and id behind the base's interface, speciality
// attributes, and calculation rules shared between copies.
#include "records/CGXRMobjType.h"

#include <gtest/gtest.h>

namespace {

CGXRMnode Node(CGXRMobj::AttMap pairs) {
  CGXRMnode node;
  node.SetAttMap(std::move(pairs));
  return node;
}

TEST(CGXRMobjType, NameAndIdAreTheTypesOwnAlsoThroughTheBase) {
  CGXRMobjType type("A", GXRM_objType_base::FRAME_BEAM, "7");
  const CGXRMobj& base = type;
  EXPECT_EQ(base.GetName(), "A");
  EXPECT_EQ(base.GetId(), "7");
  EXPECT_EQ(type.GetType(), 16);
  EXPECT_EQ(type.GetKind(), GXRM_obj_base::BEAM);
  EXPECT_EQ(type.GetAttNodeCount() + type.GetSpAttNodeCount() + type.CountCalRule(), 0);
}

TEST(CGXRMobjType, SpecialityListIsSeparateFromTheInheritedLists) {
  CGXRMobjType type("t", GXRM_objType_base::DOOR);
  type.AddAttNode(Node({{"A", "att"}}));
  type.AddSpAttNode(Node({{"A", ""}}));
  type.AddSpAttNode(Node({{"A", "sp"}, {"B", "b"}}));
  type.AppendCalRule(IXMLDOMElementPtr());
  EXPECT_EQ(type.GetNamedSpAtt("A"), "sp");
  EXPECT_EQ(type.GetNamedAtt("A"), "att");
  EXPECT_EQ(type.GetSpAttMap(), (CGXRMobj::AttMap{{"A", ""}, {"A", "sp"}, {"B", "b"}}));
  type.RemoveSpAttNodes();
  EXPECT_EQ(type.GetSpAttNodeCount(), 0);
  EXPECT_EQ(type.GetAttNodeCount(), 1);
  EXPECT_EQ(type.CountCalRule(), 1);
}

TEST(CGXRMobjType, CopiesShareTheRuleElementsWhichOutliveClearing) {
  auto doc = gxrm::dom::Document::create();
  IXMLDOMElementPtr rule = doc.createElement("R");
  doc.appendChild(rule);
  CGXRMobjType type("t", GXRM_objType_base::ROOM);
  type.AppendCalRule(rule);
  type.AppendCalRule(rule);
  CGXRMobjType copy;
  copy = type;
  copy.GetCalRule()[1].setAttribute("k", "v");

  ASSERT_EQ(type.CountCalRule(), 2);
  EXPECT_EQ(type.GetCalRule()[0], type.GetCalRule()[1]);
  EXPECT_EQ(type.GetCalRule()[0].getAttribute("k"), "v");
  type.ClearCalRule();
  copy.ClearCalRule();
  EXPECT_EQ(type.CountCalRule(), 0);
  EXPECT_EQ(doc.documentElement().getAttribute("k"), "v");
}

}  // namespace
