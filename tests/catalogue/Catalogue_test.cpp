// Catalogue tables checked by property over every entry: each type's kind and
// speciality, unique names, mapping targets that exist, section rows that read
// back both ways. Every failure names the entry.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "TestUtil.h"
#include "catalogue/CGXRMsectMng.h"
#include "format/GXRMformat.h"

namespace {

using namespace GXRM_obj_base;
using namespace GXRM_objType_base;
using GXRM_Speciality::Speciality;
using gxrm_test::Gbk;
namespace format = gxrm::format;

constexpr int kTypeCount = TYPE_NONE;

TEST(CGXRMobjBase, NineKindsListedWithTheirElementNamesAndDistinctChineseNames) {
  ASSERT_EQ(CGXRMobjBase::GetObjCount(), 9);
  std::map<Kind, CString> info{{WALL, "X"}, {Kind(20), "Y"}};
  CGXRMobjBase::GetALLObjInfo(info);
  EXPECT_EQ(info.size(), 10u);
  EXPECT_EQ(info[Kind(20)], "Y");
  std::set<CString> chinese;
  for (int kind = 0; kind < 9; ++kind) {
    // The element names themselves are pinned by the writer's file text.
    EXPECT_EQ(info[Kind(kind)], CGXRMobjBase::GetObjNamebyKind(Kind(kind))) << "kind " << kind;
    EXPECT_TRUE(chinese.insert(CGXRMobjBase::GetObjChNamebyKind(Kind(kind))).second) << "kind " << kind;
  }
  EXPECT_EQ(CGXRMobjBase::GetObjChNamebyKind(SLAB), Gbk("板.楼梯"));
  for (int value : {-1, 9, 48, 100}) {
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(Kind(value)), "") << value;
    EXPECT_EQ(CGXRMobjBase::GetObjChNamebyKind(Kind(value)), "") << value;
  }
}

// The types of each kind in catalogue order, and the types of each speciality
// (all others are common to both).
const std::map<Kind, std::vector<Type>> kTypesOfKind = {
    {AXIS, {AXIS_GRID}},
    {WALL,
     {SHEAR_WALL, BRICK_WALL, CONC_OUTER_WALL, CONC_INNER_WALL, BRICK_OUTER_WALL, BRICK_INNER_WALL,
      SHAFT_WALL, PARTITION_WALL, ZERO_WALL}},
    {BEAM, {FRAME_BEAM, SECONDARY_BEAM, COUPLING_BEAM, INDEPENDENT_BEAM, RING_BEAM}},
    {SLAB, {CAST_SLAB, SLAB_HOLE, STAIR}},
    {COLUMN, {FRAME_COLUMN, HIDDEN_COLUMN, CONC_COLUMN, BRICK_COLUMN, STRUCT_COLUMN, ADAPTIVE_HIDDEN_COLUMN}},
    {FOUNDATION,
     {ISOLATED_FOOTING, STRIP_FOOTING, FOUND_TIE_BEAM, FOUND_MAIN_BEAM, FOUND_SECONDARY_BEAM, FOUND_BEAM,
      CONC_STRIP_FOOTING, MASONRY_STRIP_FOOTING, PEDESTAL_FOOTING, MAT_FOUNDATION, RAFT_FOUNDATION, RAFT_HOLE,
      PIT}},
    {WINDOOR, {WALL_HOLE, DOOR, WINDOW, BAY_WINDOW, CORNER_BAY_WINDOW, INFILL_WALL, LINTEL}},
    {DECORATE, {ROOM}},
    {SLICE, {POST_CAST_STRIP, BUILDING_AREA, CUSTOM_LINEAR}},
};
const std::map<int, std::set<int>> kTypesOfSpeciality = {
    {1,
     {CONC_OUTER_WALL, CONC_INNER_WALL, BRICK_OUTER_WALL, BRICK_INNER_WALL, SHAFT_WALL, PARTITION_WALL,
      CONC_COLUMN, MAT_FOUNDATION, DOOR, WINDOW, BAY_WINDOW, CORNER_BAY_WINDOW, INFILL_WALL, PIT}},
    {2,
     {SHEAR_WALL, BRICK_WALL, ADAPTIVE_HIDDEN_COLUMN, COUPLING_BEAM, STRIP_FOOTING, FOUND_TIE_BEAM,
      FOUND_MAIN_BEAM, FOUND_SECONDARY_BEAM, RAFT_FOUNDATION, RAFT_HOLE}},
};

int SpecialityOf(int type) {
  for (const auto& [speciality, types] : kTypesOfSpeciality)
    if (types.count(type)) return speciality;
  return 0;
}

TEST(CGXRMobjTypeBase, EveryTypeHasItsKindSpecialityAndAUniqueNameFoundByEveryLookup) {
  ASSERT_EQ(CGXRMobjTypeBase::GetObjTypeCount(), kTypeCount);
  std::set<CString> names;
  for (const auto& [kind, types] : kTypesOfKind) {
    std::vector<GXRM_objType_define> rows(1);
    CGXRMobjTypeBase::GetObjTypeByKind(kind, rows);  // appends in catalogue order
    ASSERT_EQ(rows.size(), types.size() + 1) << "kind " << kind;
    for (size_t i = 0; i < types.size(); ++i) {
      const Type type = types[i];
      const CString name = CGXRMobjTypeBase::GetObjTypeName(type);
      EXPECT_EQ(rows[i + 1].type, type) << "kind " << kind << " place " << i;
      EXPECT_EQ(CGXRMobjTypeBase::GetObjKind(type), kind) << "type " << type;
      EXPECT_TRUE(names.insert(name).second) << "type " << type << " repeats a name";
      EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(name), type) << "type " << type;
      GXRM_objType_define row{};
      ASSERT_TRUE(CGXRMobjTypeBase::GetObjTypeByNameST(name, row)) << "type " << type;
      EXPECT_EQ(row.speciality, SpecialityOf(type)) << "type " << type;
    }
  }
  EXPECT_EQ(names.size(), static_cast<size_t>(kTypeCount));
}

TEST(CGXRMobjTypeBase, NamesAndValuesOutsideTheCatalogueAreMissed) {
  for (const char* name : {"剪力墙 ", " 剪力墙", "", "墙", "框架", "SHEAR_WALL"}) {
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeByName(Gbk(name)), TYPE_NONE) << name;
    EXPECT_EQ(CGXRMobjTypeBase::GetKindChName(Gbk(name)), "") << name;
    GXRM_objType_define kept{7, SLICE, PIT, "kept"};
    EXPECT_FALSE(CGXRMobjTypeBase::GetObjTypeByNameST(Gbk(name), kept)) << name;
    EXPECT_EQ(kept.name, "kept") << name;
    EXPECT_EQ(kept.type, PIT) << name;
  }
  for (int value : {-1, 48, 49, 100}) {
    EXPECT_EQ(CGXRMobjTypeBase::GetObjTypeName(Type(value)), "") << value;
    EXPECT_EQ(CGXRMobjBase::GetObjNamebyKind(CGXRMobjTypeBase::GetObjKind(Type(value))), "") << value;
    std::vector<GXRM_objType_define> rows;
    CGXRMobjTypeBase::GetObjTypeByKind(Kind(value), rows);
    EXPECT_EQ(rows.size(), 0u) << value;
  }
}

// The names GetGXRMObjMap leaves, in UTF-8.
std::vector<std::string> Mapped(int src, int dst, int type) {
  CStringArray names{"stale", "entries"};
  CGXRMobjTypeBase::GetGXRMObjMap(Speciality(src), Speciality(dst), Type(type), names);
  std::vector<std::string> utf8;
  for (const CString& name : names) utf8.push_back(gxrm::ToUtf8(name));
  return utf8;
}

using Names = std::vector<std::string>;

TEST(CGXRMobjTypeBaseMap, EveryTargetIsAKnownNameAndEveryKeyATypeOfItsSpeciality) {
  const std::set<std::string> outside{"砼墙", "梁", "柱", "板"};  // the third speciality's own names
  for (int src = -1; src <= 4; ++src)
    for (int dst = -1; dst <= 7; ++dst)
      for (int type = -1; type <= 100; ++type) {
        const Names names = Mapped(src, dst, type);
        const std::string at =
            std::to_string(src) + " to " + std::to_string(dst) + " type " + std::to_string(type);
        ASSERT_FALSE(names.empty()) << at;
        const bool mapped = names != Names{""};
        if (src < 1 || src > 3 || dst < 1 || dst > 3 || src == dst || type < 0 || type >= kTypeCount) {
          EXPECT_FALSE(mapped) << at;
          continue;
        }
        if (!mapped) continue;
        if (src != 3) EXPECT_NE(SpecialityOf(type), 3 - src) << at << ": key of the other speciality";
        for (const std::string& name : names) {
          const bool known =
              CGXRMobjTypeBase::GetObjTypeByName(Gbk(name)) != TYPE_NONE || (dst == 3 && outside.count(name));
          EXPECT_TRUE(known) << at << ": unknown name '" << name << "'";
        }
      }
}

TEST(CGXRMobjTypeBaseMap, ChosenRowsIncludingTheAsymmetricOnes) {
  EXPECT_EQ(Mapped(1, 2, FRAME_BEAM), (Names{"框架梁", "次梁"}));
  EXPECT_EQ(Mapped(1, 3, FRAME_BEAM), Names{"梁"});
  EXPECT_EQ(Mapped(1, 2, FOUND_BEAM), (Names{"基础连梁", "基础主梁", "基础次梁"}));
  EXPECT_EQ(Mapped(2, 1, FOUND_MAIN_BEAM), Names{"基础梁"});
  EXPECT_EQ(Mapped(1, 2, BRICK_OUTER_WALL), Names{""});
  EXPECT_EQ(Mapped(2, 1, CONC_OUTER_WALL), Names{""});
  EXPECT_EQ(Mapped(2, 3, BRICK_WALL), Names{"砼墙"});
  EXPECT_EQ(Mapped(3, 2, DOOR), Names{"墙洞"});
  EXPECT_EQ(Mapped(3, 1, FRAME_COLUMN), (Names{"砼柱", "砖柱"}));
  EXPECT_EQ(Mapped(3, 2, ROOM), Names{"房间"});
}

// The library's own section rows, walked through the public lookups.
enum class Vocab { kCal, kSteel, kAZ };
struct SectRow {
  Vocab vocab;
  const char* id;
  const char* key;
  Type type;
};
const SectRow kSections[] = {
#include "catalogue/SectionTables.inc"
};

using Lookup = CString (*)(CString, Type);
CString CalKey(CString id, Type type) { return CGXRMsectMng::GetCalSectId(id, type, ""); }

TEST(CGXRMsectMng, EveryRowReadsBothWaysAndTheFirstMatchWins) {
  // By vocabulary: the key-to-identifier lookup and the identifier-to-key lookups.
  const std::pair<Lookup, std::vector<Lookup>> lookups[] = {
      {CGXRMsectMng::GetGXRMSectId_Cal, {CalKey, CGXRMsectMng::GetCalSectId}},
      {CGXRMsectMng::GetGXRMSectId_Steel, {CGXRMsectMng::GetSteelSectId}},
      {CGXRMsectMng::GetGXRMSectId_AZ, {CGXRMsectMng::GetAZSectId}},
  };
  std::map<std::tuple<Vocab, std::string, int>, std::string> first_id, first_key;
  std::map<Vocab, int> count;
  for (const SectRow& row : kSections) {
    ++count[row.vocab];
    first_id.emplace(std::make_tuple(row.vocab, row.key, row.type), row.id);
    first_key.emplace(std::make_tuple(row.vocab, row.id, row.type), row.key);
  }
  EXPECT_EQ(count, (std::map<Vocab, int>{{Vocab::kCal, 165}, {Vocab::kSteel, 53}, {Vocab::kAZ, 47}}));
  EXPECT_EQ(count, (std::map<Vocab, int>{{Vocab::kCal, CGXRMsectMng::GetSectIdCount_Cal()},
                                         {Vocab::kSteel, CGXRMsectMng::GetSectIdCount_Steel()},
                                         {Vocab::kAZ, CGXRMsectMng::GetSectIdCount_AZ()}}));
  for (const SectRow& row : kSections) {
    const auto& [to_id, to_keys] = lookups[static_cast<int>(row.vocab)];
    const std::string at = "vocabulary " + std::to_string(static_cast<int>(row.vocab)) + " " +
                           gxrm::ToUtf8(row.key) + " of type " + std::to_string(row.type);
    EXPECT_EQ(std::string(row.id).find_first_not_of("0123456789"), std::string::npos) << at;
    EXPECT_EQ(std::string(row.id).size(), 8u) << at;
    EXPECT_NE(CGXRMobjTypeBase::GetObjTypeName(row.type), "") << at;
    EXPECT_EQ(to_id(row.key, row.type), first_id[std::make_tuple(row.vocab, row.key, row.type)]) << at;
    for (Lookup to_key : to_keys) {
      EXPECT_EQ(to_key(row.id, row.type), first_key[std::make_tuple(row.vocab, row.id, row.type)]) << at;
    }
    EXPECT_EQ(to_id(CString(row.key) + " ", row.type), "") << at;
    for (int other : {-1, 48, 100}) EXPECT_EQ(to_id(row.key, Type(other)), "") << at << " as " << other;
  }
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000025", STAIR), "248");  // a repeated row
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal("231", PEDESTAL_FOOTING), "99000020");
  EXPECT_EQ(CGXRMsectMng::GetSteelSectId("06000009", HIDDEN_COLUMN), "L-0");
  EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Steel(Gbk("基础联系梁"), FOUND_TIE_BEAM), "04000005");
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
  for (const char* key : {"1000", "01000", "+1000", " 1200", "\t\n1000", "1500ab", "2147483647", "2147483648",
                          "99999999999999999999999999"})
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), custom + key) << key;
  for (const char* key :
       {"999", "-2000", "ab1500", "", " ", "-", "0x1000", "- 1000", "1 000", "-99999999999999999999999999"})
    EXPECT_EQ(CGXRMsectMng::GetGXRMSectId_Cal(key, FRAME_BEAM), "") << key;
  // A custom-section category skips the table.
  for (const char* id : {"04000005", "99000001", "", "x"}) {
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, FRAME_BEAM, custom), id) << id;
    EXPECT_EQ(CGXRMsectMng::GetCalSectId(id, ISOLATED_FOOTING, custom), "") << id;
  }
  EXPECT_EQ(CGXRMsectMng::GetCalSectId("99000001", ISOLATED_FOOTING, custom + " "), "32");
}

}  // namespace
