// Section identifiers: every row of the three tables both ways with
// first-match semantics, misses, and the custom-section rules of the Cal table.
#include "catalogue/CGXRMsectMng.h"

#include <gtest/gtest.h>

#include "CatalogueRows.h"
#include "core/GXRMtext.h"

namespace {

using namespace GXRM_objType_base;
using gxrm::FromUtf8;

// Runs of rows of one type as "key=identifier", in table order.
struct Run {
  Type type;
  const char* rows;
};

const Run kCal[] = {
    {CONC_COLUMN, "1=04000005 2=01000001 9=02000002 10=06000004 11=08000004 201=12000004 202=12000005 203=08000008"},
    {CONC_COLUMN, "204=06000008 205=06000009 206=12000006"},
    {HIDDEN_COLUMN, "Z-0=08000008"},
    {BRICK_COLUMN, "1=04000005 2=01000001 9=02000002 10=06000004 11=08000004"},
    {STRUCT_COLUMN, "13=04000005 14=99000009 201=12000004 202=12000005 203=08000008 204=06000008"},
    {WALL_HOLE, "15=04000005 16=01000001 17=04000006 18=05000001 19=04000002 20=06000004 21=08000004 22=04000003"},
    {WALL_HOLE, "23=06000001 24=02000001 25=04000001 26=06000005 28=08000001"},
    {DOOR, "15=04000005 17=04000006 18=05000001 26=06000005"},
    {WINDOW, "15=04000005 16=01000001 17=04000006 18=05000001 19=04000002 20=06000004 21=08000004 22=04000003"},
    {WINDOW, "23=06000001 24=02000001 25=04000001 26=06000005 28=08000001"},
    {BAY_WINDOW, "213=99000010 214=99000011"},
    {CORNER_BAY_WINDOW, "216=99000012"},
    {FRAME_BEAM, "1=04000005 3=12000001 4=08000002 5=12000002 7=06000002 8=04000004 250=06000003 6=08000003"},
    {FRAME_BEAM, "329=10000001 330=10000002 331=10000003"},
    {SECONDARY_BEAM, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 8=04000004 250=06000003"},
    {SECONDARY_BEAM, "329=10000001 330=10000002 331=10000003"},
    {RING_BEAM, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 250=06000003 300=04000007"},
    {LINTEL, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 250=06000003 300=04000007"},
    {INDEPENDENT_BEAM, "1=04000005 3=12000001 4=08000002 6=08000003 7=06000002 8=04000004 250=06000003 5=12000002"},
    {INDEPENDENT_BEAM, "329=10000001 330=10000002 331=10000003"},
    {STAIR, "231=99000022 232=99000023 230=99000024 248=99000025 247=99000026 236=99000027 237=99000028"},
    {STAIR, "238=99000029 233=99000030 234=99000031 235=99000032 240=99000033 241=99000034 242=99000035"},
    {STAIR, "239=99000036 243=99000037 245=99000038 244=99000039 246=99000013 248=99000025"},
    {CONC_STRIP_FOOTING, "29=20000001 30=06000006 131=04000005 135=06000007 31=08000005 132=08000006 133=08000007"},
    {CONC_STRIP_FOOTING, "137=10000002 136=12000003 134=10000001 138=16000001"},
    {MASONRY_STRIP_FOOTING, "301=24000001 23=16000002 24=16000003 25=16000004 26=20000002 27=10000003 28=10000004"},
    {PEDESTAL_FOOTING, "38=99000015 231=99000020 231=99000021 39=99000007 40=99000008"},
    {ISOLATED_FOOTING, "32=99000001 37=99000006 34=99000003 33=99000002 35=99000004 36=99000005"},
    {FOUND_BEAM, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 8=04000004 250=06000003"},
    {FOUND_BEAM, "329=10000001 330=10000002 331=10000003"},
};

const Run kSteel[] = {
    {COUPLING_BEAM, "Lliang=04000005"},
    {WALL_HOLE, "QiangD=04000005"},
    {FRAME_COLUMN, "柱断面=04000005 圆柱=01000001"},
    {HIDDEN_COLUMN, "一字形-bh0=04000005 L-0=06000009 L-1=06000009 L-2=06000009 L-3=06000009 T-0=08000009 T-1=08000009"},
    {HIDDEN_COLUMN, "T-2=08000009 T-3=08000009 十字形1-0=12000006 Z-0=08000008"},
    {FRAME_BEAM, "LiangJM0=04000005 LiangJM1=12000002 LiangJM2=08000002 LiangJM3=08000010 LiangJM4=06000002"},
    {FRAME_BEAM, "LiangJM5=06000002 LiangJM6=06000002 LiangJM8=06000003 LiangJM9=08000003"},
    {SECONDARY_BEAM, "LiangJM0=04000005 LiangJM1=12000002 LiangJM2=08000002 LiangJM3=08000010 LiangJM4=06000002"},
    {SECONDARY_BEAM, "LiangJM5=06000002 LiangJM6=06000002 LiangJM8=06000003 LiangJM9=08000003"},
    {ISOLATED_FOOTING, "现浇柱下独立基础A=99000015 矩形承台A=99000015 矩形承台B=99000015 矩形承台C=99000015 矩形承台D=99000015"},
    {ISOLATED_FOOTING, "矩形承台E=99000015 三桩承台A=99000020 三桩承台B=99000021 五桩承台A=99000016 五桩承台B=99000007 六边承台A=99000017"},
    {ISOLATED_FOOTING, "六边承台B=99000017 六边承台C=99000008 六边承台D=99000008 八边承台A=99000018 八边承台B=99000018 八边承台C=99000019"},
    {ISOLATED_FOOTING, "八边承台D=99000019 杯型基础A=99000006"},
    {FOUND_TIE_BEAM, "基础联系梁=04000005"},
};

const Run kAZ[] = {
    {FRAME_COLUMN, "620=04000005 622=01000001 623=02000002 624=06000004 625=08000004 626=12000004 627=12000005"},
    {FRAME_COLUMN, "628=08000008 621=06000008"},
    {WALL_HOLE, "661=04000005 662=01000001 663=04000006 664=05000001 665=04000002 666=06000004 667=08000004"},
    {WALL_HOLE, "668=04000003 669=06000001 642=02000001 643=04000001 644=06000005 645=08000001"},
    {DOOR, "650=04000005 651=04000006 652=05000001 653=06000005"},
    {WINDOW, "660=04000005 662=01000001 663=04000006 664=05000001 665=04000002 666=06000004 667=08000004"},
    {WINDOW, "668=04000003 669=06000001 642=02000001 643=04000001 644=06000005 645=08000001"},
    {FRAME_BEAM, "630=04000005 635=12000001 636=08000002 637=12000002 633=06000002 634=04000004 631=06000003"},
    {FRAME_BEAM, "632=08000003"},
};

struct Row {
  CString key;  // GBK
  CString id;
  Type type;
};

template <size_t N>
std::vector<Row> Rows(const Run (&runs)[N]) {
  std::vector<Row> rows;
  for (const Run& run : runs)
    for (const auto& f : catalogue_test::Entries(run.rows, '=')) rows.push_back({FromUtf8(f[0]), f[1], run.type});
  return rows;
}

// The first row whose `column` holds `text` for the row's type.
const Row& First(const std::vector<Row>& rows, CString Row::*column, const Row& like) {
  for (const Row& row : rows)
    if (row.*column == like.*column && row.type == like.type) return row;
  return like;
}

using Lookup = CString (*)(CString, Type);

void ExpectBothWays(const std::vector<Row>& rows, int count, Lookup to_id, Lookup to_key) {
  ASSERT_EQ(count, static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(to_id(row.key, row.type), First(rows, &Row::key, row).id) << "row " << i;
    EXPECT_EQ(to_key(row.id, row.type), First(rows, &Row::id, row).key) << "row " << i;
    EXPECT_EQ(to_id(row.key + " ", row.type), "") << "row " << i;
    for (int other : {-1, 48, 100})
      EXPECT_EQ(to_id(row.key, static_cast<Type>(other)), "") << "row " << i << " type " << other;
  }
}

CString CalKey(CString id, Type type) { return CGXRMsectMng::GetCalSectId(id, type, ""); }

TEST(CGXRMsectMng, EveryRowBothWaysFirstMatchWins) {
  const std::vector<Row> cal = Rows(kCal);
  ExpectBothWays(cal, CGXRMsectMng::GetSectIdCount_Cal(), CGXRMsectMng::GetGXRMSectId_Cal, CalKey);
  ExpectBothWays(cal, CGXRMsectMng::GetSectIdCount_Cal(), CGXRMsectMng::GetGXRMSectId_Cal,
                 CGXRMsectMng::GetCalSectId);
  ExpectBothWays(Rows(kSteel), CGXRMsectMng::GetSectIdCount_Steel(),
                 CGXRMsectMng::GetGXRMSectId_Steel, CGXRMsectMng::GetSteelSectId);
  ExpectBothWays(Rows(kAZ), CGXRMsectMng::GetSectIdCount_AZ(), CGXRMsectMng::GetGXRMSectId_AZ,
                 CGXRMsectMng::GetAZSectId);
  // Repeated keys and shared identifiers, spelled out.
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000025", STAIR), "248");
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal("231", PEDESTAL_FOOTING), "99000020");
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000021", PEDESTAL_FOOTING), "231");
  EXPECT_EQ(CGXRMsectMng::GetSteelSectId("06000009", HIDDEN_COLUMN), "L-0");
}

TEST(CGXRMsectMng, IdentifierMisses) {
  for (Type type : {FRAME_BEAM, ROOM, static_cast<Type>(-1), TYPE_NONE}) {
    EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000099", type), "99000099") << type;
    EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000099", type, ""), "") << type;
    EXPECT_EQ(CGXRMsectMng::GetSteelSectId("99000099", type), "") << type;
    EXPECT_EQ(CGXRMsectMng::GetAZSectId("99000099", type), "") << type;
  }
  EXPECT_EQ(CGXRMsectMng::GetAZSectId("01000001", DOOR), "");
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Steel("liangjm9", FRAME_BEAM), "");
}

TEST(CGXRMsectMng, UnknownCalKeysFromThresholdUpAreCustomSections) {
  const CString custom = FromUtf8("自定义截面");
  for (const char* key : {"1000", "01000", "+1000", " 1200", "\t\n1000", "1500ab", "2147483647",
                          "2147483648", "99999999999999999999999999"}) {
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), custom + key) << key;
  }
  for (const char* key : {"999", "-2000", "ab1500", "", " ", "-", "0x1000", "- 1000", "1 000",
                          "-99999999999999999999999999"}) {
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), "") << key;
  }
}

TEST(CGXRMsectMng, CustomCategorySkipsTheTable) {
  const CString custom = FromUtf8("自定义截面");
  for (const char* id : {"04000005", "99000001", "", "x"}) {
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, FRAME_BEAM, custom), id) << id;
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, ISOLATED_FOOTING, custom), "") << id;
  }
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000001", ISOLATED_FOOTING, custom + " "), "32");
}

}  // namespace
