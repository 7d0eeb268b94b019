// Records: instances take their kind from their type and look values up by
// first non-empty match; types add speciality attributes and rule handles shared by copies.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "records/CGXRMobjType.h"

namespace {

using namespace gxrm_test;
namespace types = GXRM_objType_base;

TEST(CGXRMobj, KindFollowsTheTypeAndLookupsTakeTheFirstNonEmptyValue) {
  CGXRMobj obj(Gbk("墙1"), "w1", types::SHEAR_WALL);
  EXPECT_EQ(obj.GetKind(), GXRM_obj_base::WALL);
  obj.SetType(types::DOOR);
  EXPECT_EQ(obj.GetKind(), GXRM_obj_base::WINDOOR);
  obj.SetType(static_cast<types::Type>(100));
  EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(obj.GetKind()), "") << obj.GetKind();
  // Lists flatten in order; a look-up takes the first non-empty value of its own list.
  obj = CGXRMobj("o", types::FRAME_BEAM);
  obj.AddAttNode(Record({{"H", ""}, {"A", "1"}}));
  obj.AddAttNode(Record({{"H", "300"}, {"A", "3"}, {"h", "9"}}));
  obj.AddGeoAttNode(Record({{"G", "g"}}));
  obj.AddSection(Record({{"S", "s"}}));
  EXPECT_EQ(obj.GetAttMap(), Pairs({{"H", ""}, {"A", "1"}, {"H", "300"}, {"A", "3"}, {"h", "9"}}));
  EXPECT_EQ((CStringArray{obj.GetNamedAtt("H"), obj.GetNamedAtt("A"), obj.GetNamedAtt("G"),
                          obj.GetNamedGeoAtt("G"), obj.GetNamedSectionAtt("S"), obj.GetNamedSectionAtt("x")}),
            (CStringArray{"300", "1", "", "g", "s", ""}));
  obj.RemoveSectionNodes();
  EXPECT_EQ(obj.GetSectionNodeCount(), 0);
  EXPECT_EQ(obj.GetAttNodeCount(), 2);
  EXPECT_EQ(obj.GetGeoAttNodeCount(), 1);
}

TEST(CGXRMobjType, OwnNameIdSpecialityListAndRuleHandlesSharedByCopies) {
  CGXRMobjType type("A", types::FRAME_BEAM, "7"), copy;  // name and id: the reader's tests
  EXPECT_EQ(type.GetKind(), GXRM_obj_base::BEAM);
  type.AddAttNode(Record({{"A", "att"}}));
  type.AddSpAttNode(Record({{"A", ""}}));
  type.AddSpAttNode(Record({{"A", "sp"}, {"B", "b"}}));
  type.AppendCalRule(IXMLDOMElementPtr());
  EXPECT_EQ(type.GetNamedSpAtt("A"), "sp");
  EXPECT_EQ(type.GetNamedAtt("A"), "att");
  EXPECT_EQ(type.GetSpAttMap(), Pairs({{"A", ""}, {"A", "sp"}, {"B", "b"}}));
  type.RemoveSpAttNodes();
  // Only the speciality list goes; the empty rule handle counts.
  EXPECT_EQ(type.GetSpAttNodeCount(), 0);
  EXPECT_EQ(type.GetAttNodeCount(), 1);
  EXPECT_EQ(type.CountCalRule(), 1);
  // Copies share the rule elements, which outlive clearing.
  auto doc = gxrm::dom::Document::create();
  IXMLDOMElementPtr rule = doc.createElement("R");
  doc.appendChild(rule);
  type.AppendCalRule(rule);
  type.AppendCalRule(rule);
  copy = type;
  copy.GetCalRule()[2].setAttribute("k", "v");
  ASSERT_EQ(type.CountCalRule(), 3);
  EXPECT_EQ(type.GetCalRule()[1].getAttribute("k"), "v");
  type.ClearCalRule();
  EXPECT_EQ(type.CountCalRule(), 0);
  EXPECT_EQ(copy.CountCalRule(), 3);
  copy.ClearCalRule();
  EXPECT_EQ(doc.documentElement().getAttribute("k"), "v");
}

}  // namespace
