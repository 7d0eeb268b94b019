// Kinds catalogue: every row through both name lookups, unknown kinds, and
// GetALLObjInfo keeping what the caller had put in the map.
#include "catalogue/CGXRMobjBase.h"

#include <gtest/gtest.h>

#include <iterator>

#include "core/GXRMtext.h"
#include "format/GXRMformat.h"

namespace {

using namespace GXRM_obj_base;

struct KindRow {
  Kind kind;
  const char* element;
  const char* chinese;  // UTF-8
};

const KindRow kKinds[] = {
    {WALL, gxrm::format::kWall, "墙"},
    {BEAM, gxrm::format::kBeam, "梁"},
    {SLAB, gxrm::format::kSlab, "板.楼梯"},
    {COLUMN, gxrm::format::kColumn, "柱"},
    {AXIS, gxrm::format::kAxis, "轴网"},
    {FOUNDATION, gxrm::format::kFoundation, "基础"},
    {WINDOOR, gxrm::format::kWindoor, "门.窗.洞"},
    {DECORATE, gxrm::format::kDecorate, "装饰"},
    {SLICE, gxrm::format::kSlice, "零星构件"},
};

TEST(CGXRMobjBase, EveryKindHasItsNamesAndOthersNone) {
  ASSERT_EQ(CGXRMobjBase::GetObjCount(), static_cast<int>(std::size(kKinds)));
  for (size_t i = 0; i < std::size(kKinds); ++i) {
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(kKinds[i].kind), kKinds[i].element) << "row " << i;
    EXPECT_EQ(gxrm::ToUtf8(CGXRMobjBase::GetObjChNamebyKind(kKinds[i].kind)), kKinds[i].chinese)
        << "row " << i;
  }
  for (int value : {-1, 9, 48, 100}) {
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(static_cast<Kind>(value)), "") << value;
    EXPECT_EQ(CGXRMobjBase::GetObjChNamebyKind(static_cast<Kind>(value)), "") << value;
  }
}

TEST(CGXRMobjBase, AllObjInfoOverwritesKindsAndKeepsOtherEntries) {
  std::map<Kind, CString> info{{WALL, "X"}, {static_cast<Kind>(20), "Y"}};
  EXPECT_TRUE(CGXRMobjBase::GetALLObjInfo(info));
  ASSERT_EQ(info.size(), 10u);
  EXPECT_EQ(info.begin()->first, AXIS);
  EXPECT_EQ(info[static_cast<Kind>(20)], "Y");
  for (const KindRow& row : kKinds) EXPECT_EQ(info[row.kind], row.element) << row.element;
}

}  // namespace
