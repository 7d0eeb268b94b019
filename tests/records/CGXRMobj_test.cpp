// Records: instances are plain values with first-non-empty look-ups; types add
// their own name and id, speciality attributes and rule handles shared by copies.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "records/CGXRMobjType.h"

namespace {

using namespace gxrm_test;
namespace types = GXRM_objType_base;

TEST(CGXRMobj, CopiesAreIndependentAndLookupsTakeTheFirstNonEmptyValue) {
  CGXRMobj obj(Gbk("墙1"), "w1", types::SHEAR_WALL);
  CGXRMnode host = Record({{"H", "300"}});
  obj.AddAttNode(host);
  host.AddAtt("X", "1");
  obj.GetAttList()[0].AddAtt("Y", "2");
  CGXRMobj copy(obj), assigned;
  copy.AddGeoAttNode(host);
  assigned = copy;
  assigned = assigned;
  copy.SetType(types::DOOR);
  EXPECT_TRUE(obj.GetAttMap() == Pairs({{"H", "300"}}) && obj.GetGeoAttNodeCount() == 0);
  EXPECT_EQ(assigned.GetGeoAttMap(), Pairs({{"H", "300"}, {"X", "1"}}));
  EXPECT_TRUE(assigned.GetName() == Gbk("墙1") && assigned.GetId() == "w1" && assigned.GetKind() == GXRM_obj_base::WALL);
  EXPECT_EQ(copy.GetKind(), GXRM_obj_base::WINDOOR);
  copy.SetType(static_cast<types::Type>(100));
  EXPECT_TRUE(copy.GetKind() < GXRM_obj_base::AXIS || copy.GetKind() > GXRM_obj_base::SLICE);
  // Lists flatten in order; a look-up takes the first non-empty value of its own list.
  obj = CGXRMobj("o", types::FRAME_BEAM);
  obj.AddAttNode(Record({{"H", ""}, {"A", "1"}}));
  obj.AddAttNode(Record({{"H", "300"}, {"A", "3"}, {"h", "9"}}));
  obj.AddGeoAttNode(Record({{"G", "g"}}));
  obj.AddSection(Record({{"S", "s"}}));
  EXPECT_EQ(obj.GetAttMap(), Pairs({{"H", ""}, {"A", "1"}, {"H", "300"}, {"A", "3"}, {"h", "9"}}));
  EXPECT_EQ((CStringArray{obj.GetNamedAtt("H"), obj.GetNamedAtt("A"), obj.GetNamedAtt("G"), obj.GetNamedGeoAtt("G"),
                          obj.GetNamedSectionAtt("S"), obj.GetNamedSectionAtt("x")}),
            (CStringArray{"300", "1", "", "g", "s", ""}));
  obj.RemoveSectionNodes();
  EXPECT_TRUE(obj.GetSectionNodeCount() == 0 && obj.GetAttNodeCount() == 2 && obj.GetGeoAttNodeCount() == 1);
}

TEST(CGXRMobjType, OwnNameIdSpecialityListAndRuleHandlesSharedByCopies) {
  CGXRMobjType type("A", types::FRAME_BEAM, "7"), copy;
  const CGXRMobj& base = type;
  EXPECT_TRUE(base.GetName() == "A" && base.GetId() == "7" && type.GetKind() == GXRM_obj_base::BEAM);
  type.AddAttNode(Record({{"A", "att"}}));
  type.AddSpAttNode(Record({{"A", ""}}));
  type.AddSpAttNode(Record({{"A", "sp"}, {"B", "b"}}));
  type.AppendCalRule(IXMLDOMElementPtr());
  EXPECT_TRUE(type.GetNamedSpAtt("A") == "sp" && type.GetNamedAtt("A") == "att");
  EXPECT_EQ(type.GetSpAttMap(), Pairs({{"A", ""}, {"A", "sp"}, {"B", "b"}}));
  type.RemoveSpAttNodes();
  // Only the speciality list goes; the empty rule handle counts.
  EXPECT_TRUE(type.GetSpAttNodeCount() == 0 && type.GetAttNodeCount() == 1 && type.CountCalRule() == 1);
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
  EXPECT_TRUE(type.CountCalRule() == 0 && copy.CountCalRule() == 3);
  copy.ClearCalRule();
  EXPECT_EQ(doc.documentElement().getAttribute("k"), "v");
}

}  // namespace
