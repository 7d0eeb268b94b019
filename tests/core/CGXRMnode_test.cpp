// The element record: an ordered list of pairs, duplicates kept, first match.
#include "core/CGXRMnode.h"

#include <gtest/gtest.h>

namespace {

TEST(CGXRMnode, KeepsPairsInOrderAndFindsTheFirstExactName) {
  CGXRMnode node;
  EXPECT_EQ(node.GetNamedAtt("a"), "");
  node.AddAtt("a", "one");
  node.AddAtt("b", "");
  node.AddAtt("a", "two");
  EXPECT_EQ(node.GetAttNum(), 3);
  EXPECT_EQ(node.GetAttMap(), (CGXRMnode::AttMap{{"a", "one"}, {"b", ""}, {"a", "two"}}));
  EXPECT_EQ(node.GetNamedAtt("a"), "one");
  for (const char* miss : {"A", "a ", ""}) EXPECT_EQ(node.GetNamedAtt(miss), "") << miss;
  node.SetAttMap({{"k", "1"}, {"k", "2"}});
  EXPECT_EQ(node.GetNamedAtt("k"), "1");
  node.ClearAtt();
  EXPECT_EQ(node.GetAttNum(), 0);
}

}  // namespace
