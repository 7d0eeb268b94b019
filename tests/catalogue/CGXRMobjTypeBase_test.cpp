// Types catalogue and speciality mapping: every row through every lookup,
// misses and out-of-range values, order within a kind, comma splitting.
#include "catalogue/CGXRMobjTypeBase.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "catalogue/GXRMnameList.h"
#include "core/GXRMtext.h"
#include "CatalogueRows.h"

namespace {

using namespace GXRM_obj_base;
using namespace GXRM_objType_base;
using catalogue_test::Entries;
using gxrm::FromUtf8;

// The catalogue in its order as "name/type/speciality".
const struct {
  Kind kind;
  const char* rows;
} kTypes[] = {
    {WALL, "剪力墙/1/2 砖墙/2/2 砼外墙/3/1 砼内墙/4/1 砖外墙/5/1 砖内墙/6/1 电梯井墙/7/1 间壁墙/8/1 0墙/9/0"},
    {BEAM, "框架梁/16/0 次梁/17/0 连梁/18/2 独立梁/19/0 圈梁/20/0"},
    {COLUMN, "框架柱/10/0 暗柱/12/0 砼柱/11/1 砖柱/13/0 构造柱/14/0 自适应暗柱/15/2"},
    {SLAB, "现浇板/21/0 板洞/22/0 楼梯/23/0"},
    {FOUNDATION, "独立基础/24/0 条形基础/25/2 基础连梁/26/2 基础主梁/27/2 基础次梁/28/2 基础梁/29/0 砼条基/30/0 砖石条基/31/0"},
    {FOUNDATION, "柱状独立基/32/0 满堂基/33/1 筏板基础/34/2"},
    {WINDOOR, "墙洞/35/0 门/36/1 窗/37/1 飘窗/38/1 转角飘窗/39/1 填充墙/40/1 过梁/41/0"},
    {DECORATE, "房间/42/0"},
    {SLICE, "后浇带/43/0 建筑面积/47/0 自定义线性构件/44/0"},
    {FOUNDATION, "筏板洞/45/2 井坑/46/1"},
    {AXIS, "轴网/0/0"},
};

struct TypeRow {
  Kind kind;
  Type type;
  int speciality;
  CString name;  // GBK
};

std::vector<TypeRow> TypeRows() {
  std::vector<TypeRow> rows;
  for (const auto& run : kTypes) {
    for (const auto& f : Entries(run.rows, '/'))
      rows.push_back({run.kind, static_cast<Type>(std::stoi(f[1])), std::stoi(f[2]), FromUtf8(f[0])});
  }
  return rows;
}

TEST(CGXRMobjTypeBase, EveryTypeIsFoundByValueAndByName) {
  const std::vector<TypeRow> rows = TypeRows();
  ASSERT_EQ(CGXRMobjTypeBase::GetObjTypeCount(), static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const TypeRow& row = rows[i];
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(row.name), row.type) << "row " << i;
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeName(row.type), row.name) << "row " << i;
    EXPECT_EQ(CGXRMobjTypeBase::GetObjKind(row.type), row.kind) << "row " << i;
    EXPECT_EQ(CGXRMobjTypeBase::GetKindChName(row.name), CGXRMobjBase::GetObjChNamebyKind(row.kind))
        << "row " << i;
    GXRM_objType_define found{};
    ASSERT_TRUE(CGXRMobjTypeBase::GetObjTypeByNameST(row.name, found)) << "row " << i;
    EXPECT_EQ(std::tie(found.speciality, found.kind, found.type), std::tie(row.speciality, row.kind, row.type))
        << "row " << i;
    EXPECT_EQ(found.name, row.name) << "row " << i;
  }
}

TEST(CGXRMobjTypeBase, NamesAndValuesThatAreNoTypeAreMissed) {
  for (const char* name : {"剪力墙 ", " 剪力墙", "", "墙", "框架", "SHEAR_WALL"}) {
    const CString gbk = FromUtf8(name);
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(gbk), TYPE_NONE) << name;
    EXPECT_EQ(CGXRMobjTypeBase::GetKindChName(gbk), "") << name;
    GXRM_objType_define kept{7, SLICE, PIT, "kept"};
    EXPECT_FALSE(CGXRMobjTypeBase::GetObjTypeByNameST(gbk, kept)) << name;
    EXPECT_TRUE(kept.speciality == 7 && kept.kind == SLICE && kept.type == PIT) << name;
    EXPECT_STREQ(kept.name, "kept");
  }
  for (int value : {-1, 48, 49, 100}) {
    const auto type = static_cast<Type>(value);
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeName(type), "") << value;
    const int kind = CGXRMobjTypeBase::GetObjKind(type);
    EXPECT_TRUE(kind < AXIS || kind > SLICE) << value;
  }
}

TEST(CGXRMobjTypeBase, TypesOfAKindAreAppendedInCatalogueOrder) {
  for (int kind = -1; kind <= 9; ++kind) {
    std::vector<Type> expected;
    for (const TypeRow& row : TypeRows())
      if (row.kind == kind) expected.push_back(row.type);
    std::vector<GXRM_objType_define> rows(1);
    CGXRMobjTypeBase::GetObjTypeByKind(static_cast<Kind>(kind), rows);
    CGXRMobjTypeBase::GetObjTypeByKind(static_cast<Kind>(kind), rows);
    ASSERT_EQ(rows.size(), 1 + 2 * expected.size()) << "kind " << kind;
    for (size_t i = 0; i + 1 < rows.size(); ++i)
      EXPECT_EQ(rows[1 + i].type, expected[i % expected.size()]) << "kind " << kind << " row " << i;
  }
}

// Speciality mapping as "type:names for the lower other:names for the higher".
const struct {
  int source;
  const char* rows;
} kMaps[] = {
    {1, "0:轴网:轴网 3:剪力墙:砼墙 4:剪力墙:砼墙 5::砖墙 6::砖墙 7:剪力墙:砼墙 8::砖墙 40:: 9::0墙 16:框架梁,次梁:梁 17:框架梁,次梁:梁"},
    {1, "19:框架梁,次梁:梁 11:框架柱:柱 13::柱 12:暗柱,自适应暗柱: 21:现浇板:板 22:板洞:板洞 36:门:门 37:窗:窗 35:墙洞:墙洞 38::"},
    {1, "39:: 24:独立基础: 32:柱状独立基: 29:基础连梁,基础主梁,基础次梁: 33:筏板基础: 46:筏板洞: 42::房间 43:后浇带:后浇带"},
    {1, "47:建筑面积:建筑面积 44:自定义线性构件:自定义线性构件"},
    {2, "0:轴网:轴网 1:砼外墙,砼内墙,电梯井墙:砼墙 2:砖外墙,砖内墙,间壁墙:砼墙 16:框架梁,次梁,独立梁:梁 17:框架梁,次梁,独立梁:梁 20:圈梁:梁"},
    {2, "18:框架梁,次梁,独立梁:梁 10:砼柱:柱 12:砼柱:柱 15:暗柱:柱 14:构造柱:柱 21:现浇板:板 22:板洞:板洞 35:墙洞:墙洞 41:过梁:梁"},
    {2, "24:独立基础,柱状独立基: 25:砼条基: 26:基础梁: 27:基础梁: 28:基础梁: 34:满堂基: 45:井坑: 43:后浇带:后浇带 47:建筑面积:建筑面积"},
    {2, "44:自定义线性构件:自定义线性构件"},
    {3, "0:轴网:轴网 3:砼外墙,砼内墙,电梯井墙:剪力墙 5:砖外墙,砖内墙,间壁墙: 9:0墙: 16:框架梁,次梁,独立梁:框架梁,次梁 10:砼柱,砖柱:框架柱"},
    {3, "21:现浇板:现浇板 22:板洞:板洞 36:门:墙洞 37:窗:墙洞 35:墙洞:墙洞 43:后浇带:后浇带 44:自定义线性构件:自定义线性构件 46:井坑:筏板洞"},
    {3, "47:建筑面积:建筑面积 42::房间"},
};

CStringArray Map(int src, int dst, int type) {
  CStringArray names{"stale", "entries"};
  CGXRMobjTypeBase::GetGXRMObjMap(static_cast<GXRM_Speciality::Speciality>(src),
                                  static_cast<GXRM_Speciality::Speciality>(dst),
                                  static_cast<Type>(type), names);
  return names;
}

CStringArray Pieces(const std::string& names) {
  CStringArray pieces;
  for (const std::string& piece : catalogue_test::Split(names, ',')) pieces.push_back(FromUtf8(piece));
  return pieces;
}

TEST(CGXRMobjTypeBaseMap, KeysGiveTheirNamesAndEverythingElseOneEmptyName) {
  std::map<std::tuple<int, int, int>, std::string> names;  // (source, target, type)
  for (const auto& run : kMaps) {
    for (const auto& f : Entries(run.rows, ':')) {
      names[{run.source, run.source == 1 ? 2 : 1, std::stoi(f[0])}] = f[1];
      names[{run.source, run.source == 3 ? 2 : 3, std::stoi(f[0])}] = f[2];
    }
  }
  ASSERT_EQ(names.size(), 2u * (31 + 25 + 16));
  for (int src = -1; src <= 4; ++src) {
    for (int dst = -1; dst <= 7; ++dst) {
      for (int type = -1; type <= 100; ++type) {
        const auto row = names.find({src, dst, type});
        const CStringArray expected = row == names.end() ? CStringArray{""} : Pieces(row->second);
        EXPECT_EQ(Map(src, dst, type), expected) << src << " to " << dst << " type " << type;
      }
    }
  }
}

TEST(CGXRMobjTypeBaseMap, SplittingKeepsEmptyPiecesAndWholeCharacters) {
  const auto split = [](std::string_view text) {
    CStringArray pieces{"kept"};
    gxrm::catalogue::SplitAtCommas(text, pieces);
    return pieces;
  };
  EXPECT_EQ(split(""), (CStringArray{"kept", ""}));
  EXPECT_EQ(split(",a,,b,"), (CStringArray{"kept", "", "a", "", "b", ""}));
  EXPECT_EQ(split(FromUtf8("框架梁,,次梁")), (CStringArray{"kept", FromUtf8("框架梁"), "", FromUtf8("次梁")}));
  EXPECT_EQ(split("a,\xB0"), (CStringArray{"kept", "a", "\xB0"}));  // lead byte at the end
}

}  // namespace
