// Instance records: value semantics, flattening and the first non-empty lookup.
#include "records/CGXRMobj.h"

#include <gtest/gtest.h>

#include "core/GXRMtext.h"

namespace {

using Pairs = CGXRMobj::AttMap;

CGXRMnode Node(Pairs pairs) {
  CGXRMnode node;
  node.SetAttMap(std::move(pairs));
  return node;
}

TEST(CGXRMobj, CopiesAndReturnedListsAreIndependent) {
  CGXRMobj obj(gxrm::FromUtf8("墙1"), "w1", GXRM_objType_base::SHEAR_WALL);
  CGXRMnode host = Node({{"H", "300"}});
  obj.AddAttNode(host);
  obj.AddAttNode(host);
  host.AddAtt("X", "1");
  obj.GetAttList()[0].AddAtt("Y", "2");
  CGXRMobj copy(obj);
  copy.AddGeoAttNode(host);
  CGXRMobj assigned;
  assigned = copy;
  assigned = assigned;
  copy.SetType(GXRM_objType_base::DOOR);

  EXPECT_EQ(obj.GetAttMap(), (Pairs{{"H", "300"}, {"H", "300"}}));
  EXPECT_EQ(obj.GetGeoAttNodeCount(), 0);
  EXPECT_EQ(assigned.GetGeoAttNodeCount(), 1);
  EXPECT_EQ(assigned.GetName(), gxrm::FromUtf8("墙1"));
  EXPECT_EQ(assigned.GetId(), "w1");
  EXPECT_EQ(assigned.GetKind(), GXRM_obj_base::WALL);
  EXPECT_EQ(copy.GetKind(), GXRM_obj_base::WINDOOR);
}

TEST(CGXRMobj, ListsFlattenInOrderAndLookupTakesFirstNonEmptyOfItsOwnList) {
  CGXRMobj obj("o", GXRM_objType_base::FRAME_BEAM);
  EXPECT_EQ(obj.GetId(), "");
  EXPECT_EQ(obj.GetNamedAtt("H"), "");
  obj.AddAttNode(Node({{"H", ""}, {"A", "1"}}));
  obj.AddAttNode(Node({{"H", "300"}, {"A", "3"}, {"h", "9"}}));
  obj.AddGeoAttNode(Node({{"G", "g"}}));
  obj.AddSection(Node({{"S", "s"}}));

  EXPECT_EQ(obj.GetAttMap(), (Pairs{{"H", ""}, {"A", "1"}, {"H", "300"}, {"A", "3"}, {"h", "9"}}));
  EXPECT_EQ(obj.GetNamedAtt("H"), "300");
  EXPECT_EQ(obj.GetNamedAtt("A"), "1");
  EXPECT_EQ(obj.GetNamedAtt("G"), "");
  EXPECT_EQ(obj.GetNamedGeoAtt("G"), "g");
  EXPECT_EQ(obj.GetNamedSectionAtt("S"), "s");
  obj.RemoveSectionNodes();
  EXPECT_EQ(obj.GetSectionNodeCount(), 0);
  EXPECT_EQ(obj.GetAttNodeCount(), 2);
  EXPECT_EQ(obj.GetGeoAttMap(), (Pairs{{"G", "g"}}));
}

TEST(CGXRMobj, UnknownTypeHasNoKnownKind) {
  CGXRMobj obj;
  obj.SetType(static_cast<GXRM_objType_base::Type>(100));
  EXPECT_TRUE(obj.GetKind() < GXRM_obj_base::AXIS || obj.GetKind() > GXRM_obj_base::SLICE);
}

}  // namespace
