// Catalogue lookups: every row of the kinds, types, speciality and section
// tables through every lookup, first-match rules, misses, out-of-range values.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "TestUtil.h"
#include "catalogue/CGXRMsectMng.h"
#include "catalogue/GXRMnameList.h"

namespace {

using namespace GXRM_obj_base;
using namespace GXRM_objType_base;
using GXRM_Speciality::Speciality;
using gxrm_test::Gbk;

// Expected rows are readable UTF-8: each tag (kind, type, speciality) of a run gets every
// space-separated entry of its text, in order, fields split at `sep` with empty ones kept.
using Run = std::pair<std::vector<int>, const char*>;
using Row = std::pair<int, std::vector<std::string>>;

std::vector<Row> Rows(const std::vector<Run>& runs, char sep) {
  std::vector<Row> rows;
  for (const auto& [tags, text] : runs)
    for (int tag : tags) {
      std::istringstream words(text);
      for (std::string word; words >> word;) {
        std::istringstream fields(word + sep);
        Row& row = rows.emplace_back(tag, std::vector<std::string>{});
        for (std::string field; std::getline(fields, field, sep);) row.second.push_back(field);
      }
    }
  return rows;
}

// Kinds by value as "element/Chinese name".
const std::vector<Run> kKinds{{{0}, "AXIS/轴网 WALL/墙 BEAM/梁 SLAB/板.楼梯 COLUMN/柱 FOUNDATION/基础 "
                      "WINDOOR/门.窗.洞 DECORATE/装饰 SLICE/零星构件"}};

TEST(CGXRMobjBase, EveryKindHasItsNamesAllObjInfoKeepsOtherEntries) {
  const std::vector<Row> kinds = Rows(kKinds, '/');
  ASSERT_EQ(CGXRMobjBase::GetObjCount(), static_cast<int>(kinds.size()));
  std::map<Kind, CString> info{{WALL, "X"}, {Kind(20), "Y"}};
  EXPECT_TRUE(CGXRMobjBase::GetALLObjInfo(info));
  ASSERT_EQ(info.size(), 10u);
  EXPECT_EQ(info[Kind(20)], "Y");
  for (int kind = 0; kind < 9; ++kind) {
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(Kind(kind)), kinds[kind].second[0]) << "kind " << kind;
    EXPECT_EQ(CGXRMobjBase::GetObjChNamebyKind(Kind(kind)), Gbk(kinds[kind].second[1])) << "kind " << kind;
    EXPECT_EQ(info[Kind(kind)], kinds[kind].second[0]) << "kind " << kind;
  }
  for (int value : {-1, 9, 48, 100})
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(Kind(value)) + CGXRMobjBase::GetObjChNamebyKind(Kind(value)), "") << value;
}

// The types catalogue as "name/type/speciality" by kind, in its order within a kind.
const std::vector<Run> kTypes = {
    {{WALL}, "剪力墙/1/2 砖墙/2/2 砼外墙/3/1 砼内墙/4/1 砖外墙/5/1 砖内墙/6/1 电梯井墙/7/1 间壁墙/8/1 0墙/9/0"},
    {{BEAM}, "框架梁/16/0 次梁/17/0 连梁/18/2 独立梁/19/0 圈梁/20/0"}, {{SLAB}, "现浇板/21/0 板洞/22/0 楼梯/23/0"},
    {{COLUMN}, "框架柱/10/0 暗柱/12/0 砼柱/11/1 砖柱/13/0 构造柱/14/0 自适应暗柱/15/2"},
    {{FOUNDATION}, "独立基础/24/0 条形基础/25/2 基础连梁/26/2 基础主梁/27/2 基础次梁/28/2 基础梁/29/0"},
    {{FOUNDATION}, "砼条基/30/0 砖石条基/31/0 柱状独立基/32/0 满堂基/33/1 筏板基础/34/2"},
    {{WINDOOR}, "墙洞/35/0 门/36/1 窗/37/1 飘窗/38/1 转角飘窗/39/1 填充墙/40/1 过梁/41/0"},
    {{DECORATE}, "房间/42/0"}, {{SLICE}, "后浇带/43/0 建筑面积/47/0 自定义线性构件/44/0"},
    {{FOUNDATION}, "筏板洞/45/2 井坑/46/1"}, {{AXIS}, "轴网/0/0"},
};

TEST(CGXRMobjTypeBase, EveryTypeThroughEveryLookupOthersMissed) {
  const std::vector<Row> rows = Rows(kTypes, '/');
  ASSERT_EQ(CGXRMobjTypeBase::GetObjTypeCount(), static_cast<int>(rows.size()));
  for (const auto& [kind, f] : rows) {
    const CString name = Gbk(f[0]);
    const Type type = Type(std::stoi(f[1]));
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(name), type) << f[0];
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeName(type), name) << f[0];
    EXPECT_EQ(CGXRMobjTypeBase::GetObjKind(type), kind) << f[0];
    EXPECT_EQ(CGXRMobjTypeBase::GetKindChName(name), CGXRMobjBase::GetObjChNamebyKind(Kind(kind))) << f[0];
    GXRM_objType_define found{};
    ASSERT_TRUE(CGXRMobjTypeBase::GetObjTypeByNameST(name, found)) << f[0];
    EXPECT_EQ(std::tie(found.speciality, found.kind, found.type, found.name),
              std::make_tuple(std::stoi(f[2]), Kind(kind), type, name)) << f[0];
  }
  for (const char* name : {"剪力墙 ", " 剪力墙", "", "墙", "框架", "SHEAR_WALL"}) {
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(Gbk(name)), TYPE_NONE) << name;
    EXPECT_EQ(CGXRMobjTypeBase::GetKindChName(Gbk(name)), "") << name;
    GXRM_objType_define kept{7, SLICE, PIT, "kept"};
    EXPECT_FALSE(CGXRMobjTypeBase::GetObjTypeByNameST(Gbk(name), kept)) << name;
    EXPECT_EQ(std::tie(kept.speciality, kept.kind, kept.type, kept.name),
              std::make_tuple(7, SLICE, PIT, std::string("kept"))) << name;
  }
  for (int value : {-1, 48, 49, 100}) {
    const int kind = CGXRMobjTypeBase::GetObjKind(Type(value));
    EXPECT_TRUE(CGXRMobjTypeBase::GetObjTypeName(Type(value)).empty() && (kind < AXIS || kind > SLICE)) << value;
  }
  // By kind: appended in catalogue order.
  for (int kind = -1; kind <= 9; ++kind) {
    std::vector<Type> expected;
    for (const auto& [row_kind, f] : rows)
      if (row_kind == kind) expected.push_back(Type(std::stoi(f[1])));
    std::vector<GXRM_objType_define> got(1);
    CGXRMobjTypeBase::GetObjTypeByKind(Kind(kind), got);
    CGXRMobjTypeBase::GetObjTypeByKind(Kind(kind), got);
    ASSERT_EQ(got.size(), 1 + 2 * expected.size()) << "kind " << kind;
    for (size_t i = 0; i + 1 < got.size(); ++i)
      EXPECT_EQ(got[1 + i].type, expected[i % expected.size()]) << "kind " << kind << " row " << i;
  }
}

// Speciality mapping by source as "type:names for the lower other:names for the higher".
const std::vector<Run> kMaps = {
    {{1, 2, 3}, "0:轴网:轴网 22:板洞:板洞 35:墙洞:墙洞 43:后浇带:后浇带 47:建筑面积:建筑面积 44:自定义线性构件:自定义线性构件"},
    {{1}, "3:剪力墙:砼墙 4:剪力墙:砼墙 5::砖墙 6::砖墙 7:剪力墙:砼墙 8::砖墙 40:: 9::0墙 16:框架梁,次梁:梁 17:框架梁,次梁:梁"},
    {{1}, "19:框架梁,次梁:梁 11:框架柱:柱 13::柱 12:暗柱,自适应暗柱: 21:现浇板:板 36:门:门 37:窗:窗 38:: 39:: 42::房间"},
    {{1}, "24:独立基础: 32:柱状独立基: 29:基础连梁,基础主梁,基础次梁: 33:筏板基础: 46:筏板洞:"},
    {{2}, "1:砼外墙,砼内墙,电梯井墙:砼墙 2:砖外墙,砖内墙,间壁墙:砼墙 16:框架梁,次梁,独立梁:梁 17:框架梁,次梁,独立梁:梁 20:圈梁:梁"},
    {{2}, "18:框架梁,次梁,独立梁:梁 10:砼柱:柱 12:砼柱:柱 15:暗柱:柱 14:构造柱:柱 21:现浇板:板 41:过梁:梁"},
    {{2}, "24:独立基础,柱状独立基: 25:砼条基: 26:基础梁: 27:基础梁: 28:基础梁: 34:满堂基: 45:井坑:"},
    {{3}, "3:砼外墙,砼内墙,电梯井墙:剪力墙 5:砖外墙,砖内墙,间壁墙: 9:0墙: 16:框架梁,次梁,独立梁:框架梁,次梁 10:砼柱,砖柱:框架柱"},
    {{3}, "21:现浇板:现浇板 36:门:墙洞 37:窗:墙洞 46:井坑:筏板洞 42::房间"},
};

// The names GetGXRMObjMap leaves, in UTF-8, each after a comma.
std::string Mapped(int src, int dst, int type) {
  CStringArray names{"stale", "entries"};
  CGXRMobjTypeBase::GetGXRMObjMap(Speciality(src), Speciality(dst), Type(type), names);
  std::string joined;
  for (const CString& name : names) joined += "," + gxrm::ToUtf8(name);
  return joined;
}

TEST(CGXRMobjTypeBaseMap, KeysGiveTheirNamesOthersOneEmptyNameCommasSplit) {
  std::map<std::tuple<int, int, int>, std::string> names;  // (source, target, type)
  for (const auto& [src, f] : Rows(kMaps, ':')) {
    names[{src, src == 1 ? 2 : 1, std::stoi(f[0])}] = f[1];
    names[{src, src == 3 ? 2 : 3, std::stoi(f[0])}] = f[2];
  }
  ASSERT_EQ(names.size(), 2u * (31 + 25 + 16));
  for (int src = -1; src <= 4; ++src)
    for (int dst = -1; dst <= 7; ++dst)
      for (int type = -1; type <= 100; ++type) {
        const auto row = names.find({src, dst, type});
        EXPECT_EQ(Mapped(src, dst, type), "," + (row == names.end() ? "" : row->second))
            << src << " to " << dst << " type " << type;
      }
  // Splitting appends, keeps empty pieces and whole characters; a lead byte may end the text.
  CStringArray pieces{"kept"};
  for (const CString& text : {CString(""), CString(",a,,b,"), Gbk("框架梁,,次梁"), CString("a,\xB0")})
    gxrm::catalogue::SplitAtCommas(text, pieces);
  EXPECT_EQ(pieces, (CStringArray{"kept", "", "", "a", "", "b", "", Gbk("框架梁"), "", Gbk("次梁"), "a", "\xB0"}));
}

// Section tables as "key=identifier" by type, in table order within a type.
const std::vector<int> kBeams{FRAME_BEAM, SECONDARY_BEAM, INDEPENDENT_BEAM, FOUND_BEAM};

const std::vector<Run> kCal = {
    {{CONC_COLUMN, BRICK_COLUMN}, "1=04000005 2=01000001 9=02000002 10=06000004 11=08000004"},
    {{CONC_COLUMN}, "201=12000004 202=12000005 203=08000008 204=06000008 205=06000009 206=12000006"},
    {{STRUCT_COLUMN}, "13=04000005 14=99000009 201=12000004 202=12000005 203=08000008 204=06000008"},
    {{HIDDEN_COLUMN}, "Z-0=08000008"}, {{BAY_WINDOW}, "213=99000010 214=99000011"}, {{CORNER_BAY_WINDOW}, "216=99000012"},
    {{WALL_HOLE, WINDOW}, "15=04000005 16=01000001 17=04000006 18=05000001 19=04000002 20=06000004 21=08000004"},
    {{WALL_HOLE, WINDOW}, "22=04000003 23=06000001 24=02000001 25=04000001 26=06000005 28=08000001"},
    {kBeams, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 8=04000004 250=06000003"},
    {kBeams, "329=10000001 330=10000002 331=10000003"}, {{DOOR}, "15=04000005 17=04000006 18=05000001 26=06000005"},
    {{RING_BEAM, LINTEL}, "1=04000005 3=12000001 4=08000002 5=12000002 6=08000003 7=06000002 250=06000003 300=04000007"},
    {{STAIR}, "231=99000022 232=99000023 230=99000024 248=99000025 247=99000026 236=99000027 237=99000028"},
    {{STAIR}, "238=99000029 233=99000030 234=99000031 235=99000032 240=99000033 241=99000034 242=99000035"},
    {{STAIR}, "239=99000036 243=99000037 245=99000038 244=99000039 246=99000013 248=99000025"},
    {{CONC_STRIP_FOOTING}, "29=20000001 30=06000006 131=04000005 135=06000007 31=08000005 132=08000006"},
    {{CONC_STRIP_FOOTING}, "133=08000007 137=10000002 136=12000003 134=10000001 138=16000001"},
    {{MASONRY_STRIP_FOOTING}, "301=24000001 23=16000002 24=16000003 25=16000004 26=20000002 27=10000003 28=10000004"},
    {{PEDESTAL_FOOTING}, "38=99000015 231=99000020 231=99000021 39=99000007 40=99000008"},
    {{ISOLATED_FOOTING}, "32=99000001 37=99000006 34=99000003 33=99000002 35=99000004 36=99000005"},
};
const std::vector<Run> kSteel = {
    {{COUPLING_BEAM}, "Lliang=04000005"}, {{WALL_HOLE}, "QiangD=04000005"}, {{FOUND_TIE_BEAM}, "基础联系梁=04000005"},
    {{HIDDEN_COLUMN}, "一字形-bh0=04000005 L-0=06000009 L-1=06000009 L-2=06000009 L-3=06000009 T-0=08000009"},
    {{HIDDEN_COLUMN}, "T-1=08000009 T-2=08000009 T-3=08000009 十字形1-0=12000006 Z-0=08000008"},
    {{FRAME_BEAM, SECONDARY_BEAM}, "LiangJM0=04000005 LiangJM1=12000002 LiangJM2=08000002 LiangJM3=08000010"},
    {{FRAME_BEAM, SECONDARY_BEAM}, "LiangJM4=06000002 LiangJM5=06000002 LiangJM6=06000002 LiangJM8=06000003 LiangJM9=08000003"},
    {{ISOLATED_FOOTING}, "现浇柱下独立基础A=99000015 矩形承台A=99000015 矩形承台B=99000015 矩形承台C=99000015 矩形承台D=99000015"},
    {{ISOLATED_FOOTING}, "矩形承台E=99000015 三桩承台A=99000020 三桩承台B=99000021 五桩承台A=99000016 五桩承台B=99000007 六边承台A=99000017"},
    {{ISOLATED_FOOTING}, "六边承台B=99000017 六边承台C=99000008 六边承台D=99000008 八边承台A=99000018 八边承台B=99000018 八边承台C=99000019"},
    {{ISOLATED_FOOTING}, "八边承台D=99000019 杯型基础A=99000006"}, {{FRAME_COLUMN}, "柱断面=04000005 圆柱=01000001"},
};
const std::vector<Run> kAZ = {
    {{FRAME_COLUMN}, "620=04000005 622=01000001 623=02000002 624=06000004 625=08000004 626=12000004 627=12000005"},
    {{FRAME_COLUMN}, "628=08000008 621=06000008"}, {{WALL_HOLE}, "661=04000005"}, {{WINDOW}, "660=04000005"},
    {{WALL_HOLE, WINDOW}, "662=01000001 663=04000006 664=05000001 665=04000002 666=06000004 667=08000004"},
    {{WALL_HOLE, WINDOW}, "668=04000003 669=06000001 642=02000001 643=04000001 644=06000005 645=08000001"},
    {{FRAME_BEAM}, "630=04000005 635=12000001 636=08000002 637=12000002 633=06000002 634=04000004 631=06000003"},
    {{FRAME_BEAM}, "632=08000003"}, {{DOOR}, "650=04000005 651=04000006 652=05000001 653=06000005"},
};

// Field `want` of the first row of `like`'s type whose field `col` is like's.
CString First(const std::vector<Row>& rows, const Row& like, size_t col, size_t want) {
  for (const auto& [type, f] : rows)
    if (type == like.first && f[col] == like.second[col]) return Gbk(f[want]);
  return "";
}

using Lookup = CString (*)(CString, Type);

void ExpectBothWays(const std::vector<Row>& rows, int count, Lookup to_id, Lookup to_key) {
  ASSERT_EQ(count, static_cast<int>(rows.size()));
  for (const Row& row : rows) {
    const auto& [type, f] = row;
    const std::string at = f[0] + " of type " + std::to_string(type);
    EXPECT_EQ(to_id(Gbk(f[0]), Type(type)), First(rows, row, 0, 1)) << at;
    EXPECT_EQ(to_key(f[1], Type(type)), First(rows, row, 1, 0)) << at;
    EXPECT_EQ(to_id(Gbk(f[0] + " "), Type(type)), "") << at;
    for (int other : {-1, 48, 100}) EXPECT_EQ(to_id(Gbk(f[0]), Type(other)), "") << at << " as " << other;
  }
}

CString CalKey(CString id, Type type) { return CGXRMsectMng::GetCalSectId(id, type, ""); }

TEST(CGXRMsectMng, EveryRowBothWaysFirstMatchWins) {
  const std::vector<Row> cal = Rows(kCal, '=');
  const int cal_count = CGXRMsectMng::GetSectIdCount_Cal();
  ExpectBothWays(cal, cal_count, CGXRMsectMng::GetGXRMSectId_Cal, CalKey);
  ExpectBothWays(cal, cal_count, CGXRMsectMng::GetGXRMSectId_Cal, CGXRMsectMng::GetCalSectId);
  ExpectBothWays(Rows(kSteel, '='), CGXRMsectMng::GetSectIdCount_Steel(), CGXRMsectMng::GetGXRMSectId_Steel,
                 CGXRMsectMng::GetSteelSectId);
  ExpectBothWays(Rows(kAZ, '='), CGXRMsectMng::GetSectIdCount_AZ(), CGXRMsectMng::GetGXRMSectId_AZ,
                 CGXRMsectMng::GetAZSectId);
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000025", STAIR), "248");  // repeated rows, spelled out
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal("231", PEDESTAL_FOOTING), "99000020");
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000021", PEDESTAL_FOOTING), "231");
  EXPECT_EQ(CGXRMsectMng::GetSteelSectId("06000009", HIDDEN_COLUMN), "L-0");
}

TEST(CGXRMsectMng, MissesAndCustomSections) {
  for (Type type : {FRAME_BEAM, ROOM, Type(-1), TYPE_NONE}) {
    EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000099", type), "99000099") << type;
    EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000099", type, ""), "") << type;
    EXPECT_EQ(CGXRMsectMng::GetSteelSectId("99000099", type), "") << type;
    EXPECT_EQ(CGXRMsectMng::GetAZSectId("99000099", type), "") << type;
  }
  EXPECT_EQ(CGXRMsectMng::GetAZSectId("01000001", DOOR), "");
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Steel("liangjm9", FRAME_BEAM), "");
  // Unknown Cal keys from the threshold up are custom sections.
  const CString custom = Gbk("自定义截面");
  for (const char* key : {"1000", "01000", "+1000", " 1200", "\t\n1000", "1500ab", "2147483647",
                          "2147483648", "99999999999999999999999999"})
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), custom + key) << key;
  for (const char* key : {"999", "-2000", "ab1500", "", " ", "-", "0x1000", "- 1000", "1 000",
                          "-99999999999999999999999999"})
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), "") << key;
  // A custom-section category skips the table.
  for (const char* id : {"04000005", "99000001", "", "x"}) {
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, FRAME_BEAM, custom), id) << id;
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, ISOLATED_FOOTING, custom), "") << id;
  }
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000001", ISOLATED_FOOTING, custom + " "), "32");
}

}  // namespace
