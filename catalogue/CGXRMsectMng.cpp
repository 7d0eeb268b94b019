// CGXRMsectMng.cpp: lookups over the section tables.
#include "catalogue/CGXRMsectMng.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <string_view>

namespace gxrm::catalogue {
namespace {

enum class Vocab { kCal, kSteel, kAZ };

struct SectRow {
  Vocab vocab;
  const char* id;   // identifier in the file
  const char* key;  // key in the vocabulary (GBK)
  GXRM_objType_base::Type type;
};

constexpr SectRow kSections[] = {
#include "catalogue/SectionTables.inc"
};

constexpr int RowCount(Vocab vocab) {
  int count = 0;
  for (const SectRow& row : kSections) count += row.vocab == vocab;
  return count;
}
static_assert(RowCount(Vocab::kCal) == 165 && RowCount(Vocab::kSteel) == 53 && RowCount(Vocab::kAZ) == 47,
              "rows of the three tables");

// Marks a section of the host's own making.
constexpr char kCustomSection[] = "\xD7\xD4\xB6\xA8\xD2\xE5\xBD\xD8\xC3\xE6";  // 自定义截面
// Unknown Cal keys reading at least this much are custom sections.
constexpr int kCustomKeyMin = 1000;

// The first row of `vocab` and `type` whose `column` equals `text`.
const SectRow* FindSect(Vocab vocab, GXRM_objType_base::Type type, const char* SectRow::*column,
                        const CString& text) {
  auto it = std::find_if(std::begin(kSections), std::end(kSections), [&](const SectRow& row) {
    return row.vocab == vocab && row.type == type && text == row.*column;
  });
  return it == std::end(kSections) ? nullptr : it;
}

CString IdOfKey(Vocab vocab, const CString& key, GXRM_objType_base::Type type) {
  const SectRow* row = FindSect(vocab, type, &SectRow::key, key);
  return row ? row->id : "";
}

CString KeyOfId(Vocab vocab, const CString& id, GXRM_objType_base::Type type) {
  const SectRow* row = FindSect(vocab, type, &SectRow::id, id);
  return row ? row->key : "";
}

bool IsCSpace(char c) { return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos; }

// Reads `text` as atoi does, but saturates at the int range instead of
// overflowing.
int AtoiSaturating(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsCSpace(text[pos])) ++pos;
  const bool negative = pos < text.size() && text[pos] == '-';
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
  constexpr long long kCap = INT_MAX + 1LL;
  long long value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
    value = std::min(value * 10 + (text[pos] - '0'), kCap);
  return static_cast<int>(negative ? -value : std::min<long long>(value, INT_MAX));
}

}  // namespace
}  // namespace gxrm::catalogue

namespace cat = gxrm::catalogue;
using cat::Vocab;

CString CGXRMsectMng::GetGXRMSectId_Cal(CString key, GXRM_objType_base::Type type) {
  if (const auto* row = cat::FindSect(Vocab::kCal, type, &cat::SectRow::key, key)) return row->id;
  if (cat::AtoiSaturating(key) < cat::kCustomKeyMin) return "";
  return cat::kCustomSection + key;
}

CString CGXRMsectMng::GetGXRMSectId_Steel(CString key, GXRM_objType_base::Type type) {
  return cat::IdOfKey(Vocab::kSteel, key, type);
}

CString CGXRMsectMng::GetGXRMSectId_AZ(CString key, GXRM_objType_base::Type type) {
  return cat::IdOfKey(Vocab::kAZ, key, type);
}

CString CGXRMsectMng::GetCalSectId(CString id, GXRM_objType_base::Type type) {
  const auto* row = cat::FindSect(Vocab::kCal, type, &cat::SectRow::id, id);
  return row ? row->key : id;
}

CString CGXRMsectMng::GetCalSectId(CString id, GXRM_objType_base::Type type, CString category) {
  if (category != cat::kCustomSection) return cat::KeyOfId(Vocab::kCal, id, type);
  return type == GXRM_objType_base::ISOLATED_FOOTING ? CString() : id;
}

CString CGXRMsectMng::GetSteelSectId(CString id, GXRM_objType_base::Type type) {
  return cat::KeyOfId(Vocab::kSteel, id, type);
}

CString CGXRMsectMng::GetAZSectId(CString id, GXRM_objType_base::Type type) {
  return cat::KeyOfId(Vocab::kAZ, id, type);
}

int CGXRMsectMng::GetSectIdCount_Cal() { return cat::RowCount(Vocab::kCal); }

int CGXRMsectMng::GetSectIdCount_Steel() { return cat::RowCount(Vocab::kSteel); }

int CGXRMsectMng::GetSectIdCount_AZ() { return cat::RowCount(Vocab::kAZ); }
