// The element record: an ordered list of pairs, duplicates kept.
#include "core/CGXRMnode.h"

#include <gtest/gtest.h>

namespace {

TEST(CGXRMnode, KeepsPairsInOrderWithDuplicates) {
  CGXRMnode node;
  EXPECT_EQ(node.GetAttNum(), 0);
  EXPECT_EQ(node.GetNamedAtt("a"), "");
  node.AddAtt("a", "one");
  node.AddAtt("b", "");
  node.AddAtt("a", "two");
  EXPECT_EQ(node.GetAttNum(), 3);
  CGXRMnode::AttMap expected = {{"a", "one"}, {"b", ""}, {"a", "two"}};
  EXPECT_EQ(node.GetAttMap(), expected);
  EXPECT_EQ(node.GetNamedAtt("a"), "one");
  EXPECT_EQ(node.GetNamedAtt("A"), "");
  EXPECT_EQ(node.GetNamedAtt("a "), "");
}

TEST(CGXRMnode, ClearAndSetReplaceTheList) {
  CGXRMnode node;
  node.AddAtt("x", "1");
  node.ClearAtt();
  EXPECT_EQ(node.GetAttNum(), 0);
  node.AddAtt("y", "2");
  EXPECT_EQ(node.GetNamedAtt("y"), "2");
  node.SetAttMap({{"k", "1"}, {"k", "2"}});
  EXPECT_EQ(node.GetAttMap(), (CGXRMnode::AttMap{{"k", "1"}, {"k", "2"}}));
  node.SetAttMap({});
  EXPECT_EQ(node.GetAttNum(), 0);
}

TEST(CGXRMnode, CopiesAreIndependent) {
  CGXRMnode source;
  source.AddAtt("a", "1");
  CGXRMnode copy(source);
  CGXRMnode assigned;
  assigned = source;
  copy.AddAtt("b", "2");
  source.AddAtt("c", "3");
  EXPECT_EQ(copy.GetAttNum(), 2);
  EXPECT_EQ(assigned.GetAttNum(), 1);
  EXPECT_EQ(source.GetNamedAtt("b"), "");
  assigned = assigned;
  EXPECT_EQ(assigned.GetAttNum(), 1);
}

}  // namespace
