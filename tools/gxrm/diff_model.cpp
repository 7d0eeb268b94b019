// diff_model.cpp: the comparison engine behind `gxrm diff` and the report's changes.
#include "diff_model.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <future>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "model_walk.h"

namespace gxrm::tool::diff {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
using walk::Pairs;
using Changes = std::vector<AttributeChange>;
using Elements = std::vector<dom::Element>;

constexpr char kNodeMark[] = "#node";          // a rule node that one side lacks or names otherwise
constexpr char kTextMark[] = "#text";          // the text of a rule's text, comment or CDATA node
constexpr char kNameMark[] = "#name";          // the root element's name (it carries the version)
constexpr char kPositionMark[] = "#position";  // a floor's place among the floors both models have

// Attributes by name: those of `a` in its order, then those only `b` has.
// Hashed by name, so many attributes on one element cost linear time.
void ComparePairs(const Pairs& a, const Pairs& b, const std::string& element, std::size_t index,
                  Changes& out) {
  if (a.empty() && b.empty()) return;
  std::unordered_map<std::string_view, const std::string*> in_b;
  in_b.reserve(b.size());
  for (const auto& [name, value] : b) in_b.emplace(name, &value);
  std::unordered_set<std::string_view> in_a;
  in_a.reserve(a.size());
  for (const auto& [name, value] : a) {
    in_a.insert(name);
    const auto other = in_b.find(name);
    if (other == in_b.end())
      out.push_back({element, index, name, value, std::nullopt});
    else if (*other->second != value)
      out.push_back({element, index, name, value, *other->second});
  }
  for (const auto& [name, value] : b) {
    if (in_a.count(name) == 0) out.push_back({element, index, name, std::nullopt, value});
  }
}

void CompareElements(const dom::Node& a, const dom::Node& b, const std::string& element, Changes& out) {
  ComparePairs(walk::Attributes(a), walk::Attributes(b), element, 0, out);
}

Text NodeLabel(const dom::Node& node) { return node ? Text(node.nodeName()) : std::nullopt; }

// Whether a node takes part in a rule's comparison: text of white space only
// is layout, which a model keeps and a reader drops.
bool Compared(const dom::Node& node) {
  if (node.nodeType() != dom::NODE_TEXT) return true;
  const std::string text = node.text();
  return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

std::vector<dom::Node> ChildNodes(const dom::Node& node) {
  std::vector<dom::Node> children;
  for (dom::Node child = node.firstChild(); child; child = child.nextSibling())
    if (Compared(child)) children.push_back(child);
  return children;
}

// The number of nodes in the tree under `node`, itself included; none for an empty handle.
std::size_t TreeSize(const dom::Node& node) {
  std::size_t size = 0;
  for (std::vector<dom::Node> stack{node}; !stack.empty();) {
    const dom::Node top = std::move(stack.back());
    stack.pop_back();
    if (!top) continue;
    ++size;
    for (dom::Node& child : ChildNodes(top)) stack.push_back(std::move(child));
  }
  return size;
}

// Two node trees side by side, in pre-order with an explicit stack: rule trees
// may nest deeper than any call stack. A node's index is its place in NEW's
// document order (OLD's for a node only OLD has); a mismatched node's subtree
// is skipped on both sides, so the counters move on by its size.
void CompareTrees(const dom::Node& a, const dom::Node& b, Changes& out) {
  std::vector<std::pair<dom::Node, dom::Node>> stack{{a, b}};
  std::size_t old_index = 0, new_index = 0;
  while (!stack.empty()) {
    const auto [x, y] = std::move(stack.back());
    stack.pop_back();
    const std::size_t index = y ? new_index : old_index;
    if (!x || !y || x.nodeType() != y.nodeType() || x.nodeName() != y.nodeName()) {
      out.push_back({*(x ? NodeLabel(x) : NodeLabel(y)), index, kNodeMark, NodeLabel(x), NodeLabel(y)});
      old_index += TreeSize(x);
      new_index += TreeSize(y);
      continue;
    }
    ++old_index, ++new_index;
    if (x.nodeType() != dom::NODE_ELEMENT) {
      if (x.text() != y.text()) out.push_back({x.nodeName(), index, kTextMark, x.text(), y.text()});
      continue;
    }
    ComparePairs(walk::Attributes(x), walk::Attributes(y), x.nodeName(), index, out);
    const std::vector<dom::Node> xs = ChildNodes(x), ys = ChildNodes(y);
    for (std::size_t i = std::max(xs.size(), ys.size()); i-- > 0;) {
      stack.emplace_back(i < xs.size() ? xs[i] : dom::Node(), i < ys.size() ? ys[i] : dom::Node());
    }
  }
}

// A record of a list with the keys it is matched by: a component, or a
// cross-section's element.
template <typename Item, typename Key = std::string>
struct Keyed {
  using Compared = Item;
  Item item;
  Key id;
  Key name;
};

std::vector<Keyed<dom::Element>> Keys(const Elements& elements, const char* id_attribute,
                                      const char* name_attribute) {
  std::vector<Keyed<dom::Element>> keyed;
  keyed.reserve(elements.size());
  for (const dom::Element& e : elements)
    keyed.push_back({e, e.getAttribute(id_attribute), e.getAttribute(name_attribute)});
  return keyed;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// How often an id stands on each side, and where in the old list it first stands.
struct IdUse {
  std::size_t in_a = 0, in_b = 0, first_in_a = 0;
};

// For each record of `b`, the index of its partner in `a` (kNone: added).
// Ids that are present and unique on both sides match first; what is left
// matches by name, the n-th of a name in `a` with the n-th in `b`.
// True when both lists carry the same ids and names in the same order (a
// list that did not change): Match pairs each record with the one in its place.
template <typename Record>
bool SameKeys(const std::vector<Record>& a, const std::vector<Record>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Record& x, const Record& y) { return x.id == y.id && x.name == y.name; });
}

template <typename Record>
std::vector<std::size_t> Match(const std::vector<Record>& a, const std::vector<Record>& b) {
  if (SameKeys(a, b)) {
    std::vector<std::size_t> partner(b.size());
    std::iota(partner.begin(), partner.end(), std::size_t{0});
    return partner;
  }
  std::unordered_map<std::string_view, IdUse> ids;  // one look-up per record and side
  ids.reserve(a.size() + b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].id.empty()) continue;
    IdUse& use = ids[a[i].id];
    if (use.in_a++ == 0) use.first_in_a = i;
  }
  std::vector<const IdUse*> b_ids(b.size(), nullptr);
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (b[j].id.empty()) continue;
    IdUse& use = ids[b[j].id];
    ++use.in_b;
    b_ids[j] = &use;
  }
  std::vector<std::size_t> partner(b.size(), kNone);
  std::vector<bool> taken(a.size(), false);
  for (std::size_t j = 0; j < b.size(); ++j) {
    const IdUse* use = b_ids[j];
    if (use && use->in_a == 1 && use->in_b == 1) partner[j] = use->first_in_a, taken[use->first_in_a] = true;
  }
  std::unordered_map<std::string_view, std::deque<std::size_t>> by_name;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!taken[i]) by_name[a[i].name].push_back(i);
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (partner[j] != kNone) continue;
    auto found = by_name.find(b[j].name);
    if (found == by_name.end() || found->second.empty()) continue;
    partner[j] = found->second.front();
    found->second.pop_front();
  }
  return partner;
}

// Where the changes go, and the floor and type they are filed under.
struct Sink {
  std::vector<Change>& out;
  Text floor;
  Text type;

  void Add(What what, const char* kind, std::string name, Text id, Changes attributes = {}) const {
    out.push_back({what, kind, floor, type, std::move(name), std::move(id), std::move(attributes)});
  }
};

// Matches two record lists and files what was added, removed or changed.
template <typename Record, typename Item = typename Record::Compared>
void CompareKeyed(const std::vector<Record>& a, const std::vector<Record>& b, const char* kind,
                  void (*compare)(const Item&, const Item&, Changes&), const Sink& sink) {
  const std::vector<std::size_t> partner = Match(a, b);
  std::vector<bool> kept(a.size(), false);
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (partner[j] == kNone) {
      sink.Add(What::kAdded, kind, std::string(b[j].name), std::string(b[j].id));
      continue;
    }
    kept[partner[j]] = true;
    Changes changes;
    compare(a[partner[j]].item, b[j].item, changes);
    if (!changes.empty())
      sink.Add(What::kChanged, kind, std::string(b[j].name), std::string(b[j].id), std::move(changes));
  }
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!kept[i]) sink.Add(What::kRemoved, kind, std::string(a[i].name), std::string(a[i].id));
}

// The n-th records of a list of two components, pairwise.
void CompareList(const gxrm::Component& a, const gxrm::Component& b, const char* list, Changes& out) {
  const std::vector<Pairs> as = a.Records(list), bs = b.Records(list);
  static const Pairs kNoRecord;
  for (std::size_t i = 0; i < std::max(as.size(), bs.size()); ++i)
    ComparePairs(i < as.size() ? as[i] : kNoRecord, i < bs.size() ? bs[i] : kNoRecord, list, i, out);
}

// Most components of two versions of a model are unchanged: a byte-for-byte
// look tells them apart before any attribute is copied.
void CompareTypeClass(const gxrm::Component& a, const gxrm::Component& b, Changes& out) {
  const dom::Element ea = a.Element(), eb = b.Element();
  if (!a.SameContent(b)) {
    CompareElements(ea, eb, fmt::kTypeClass, out);
    for (const char* list : walk::kTypeLists) CompareList(a, b, list, out);
  }
  // The rules are what the model leaves to the document.
  const dom::Node ra = ea.selectSingleNode(fmt::kTypeClassCalRule);
  const dom::Node rb = eb.selectSingleNode(fmt::kTypeClassCalRule);
  if (ra || rb) CompareTrees(ra, rb, out);
}

void CompareInstance(const gxrm::Component& a, const gxrm::Component& b, Changes& out) {
  if (a.SameContent(b)) return;
  CompareElements(a.Element(), b.Element(), fmt::kInstance, out);
  for (const char* list : walk::kInstanceLists) CompareList(a, b, list, out);
}

void CompareSecInfo(const dom::Element& a, const dom::Element& b, Changes& out) {
  CompareElements(a, b, b.nodeName(), out);
}

// The components of one object list and type, keyed for matching.
// Ids and names point into the model, which stays unchanged meanwhile.
struct Group {
  std::vector<Keyed<gxrm::Component, std::string_view>> definitions, instances;
};

// Every component of a model, by its object list (-1: the global list,
// else the floor's place among the "Floor" elements) and type.
class Components {
 public:
  // Those of the lists `compared` marks, by list place + 1 (0: the global list).
  Components(const gxrm::Model& model, const std::vector<bool>& compared) {
    Key key{};
    Group* group = nullptr;  // that of `key`: components come group by group
    model.Visit("is=any", [&](const gxrm::ComponentView& c) {
      if (!compared[static_cast<std::size_t>(c.FloorIndex() + 1)]) return;
      const Key mine{c.FloorIndex(), c.Type()};
      if (!group || mine != key) key = mine, group = &groups_[key];
      (c.IsType() ? group->definitions : group->instances).push_back({c.Handle(), c.Id(), c.Name()});
    });
  }
  const Group& Of(int list, GXRM_objType_base::Type type) const {
    static const Group kEmpty;
    const auto found = groups_.find({list, type});
    return found == groups_.end() ? kEmpty : found->second;
  }

 private:
  using Key = std::pair<int, GXRM_objType_base::Type>;
  std::map<Key, Group> groups_;
};

// One object list of each model, type by type in catalogue order.
void CompareObjectLists(const Components& a, int list_a, const Components& b, int list_b,
                        const Filter& filter, Sink sink) {
  for (const CatalogueType& entry : CatalogueTypes()) {
    if (filter.type_name && *filter.type_name != entry.name) continue;
    const Group &ga = a.Of(list_a, entry.type), &gb = b.Of(list_b, entry.type);
    sink.type = entry.name;
    CompareKeyed(ga.definitions, gb.definitions, kind::kType, CompareTypeClass, sink);
    CompareKeyed(ga.instances, gb.instances, kind::kInstance, CompareInstance, sink);
  }
}

void CompareHeader(const dom::Element& a, const dom::Element& b, const Sink& sink) {
  Changes changes;
  if (a.nodeName() != b.nodeName())
    changes.push_back({b.nodeName(), 0, kNameMark, a.nodeName(), b.nodeName()});
  CompareElements(a, b, b.nodeName(), changes);
  if (!changes.empty())
    sink.Add(What::kChanged, kind::kHeader, b.nodeName(), std::nullopt, std::move(changes));
}

void CompareSections(const dom::Element& a, const dom::Element& b, const Sink& sink) {
  for (const char* name : walk::kSections) {
    const dom::Element sa = walk::Section(a, name), sb = walk::Section(b, name);
    if (!sa && !sb) continue;
    if (!sa || !sb) {
      sink.Add(sa ? What::kRemoved : What::kAdded, kind::kSection, name, std::nullopt);
      continue;
    }
    Changes changes;
    CompareElements(sa, sb, name, changes);
    if (!changes.empty()) sink.Add(What::kChanged, kind::kSection, name, std::nullopt, std::move(changes));
  }
}

void CompareCrossSections(const dom::Element& a, const dom::Element& b, const Sink& sink) {
  const auto keys = [](const dom::Element& root) {
    return Keys(walk::Children(walk::Section(root, fmt::kUserSecInfo), nullptr), fmt::kAttSecId,
                fmt::kAttSecName);
  };
  CompareKeyed(keys(a), keys(b), kind::kCrossSection, CompareSecInfo, sink);
}

void CompareRules(const dom::Element& a, const dom::Element& b, const Sink& sink) {
  const Elements ra = walk::Children(walk::Section(a, fmt::kCalRule), nullptr);
  const Elements rb = walk::Children(walk::Section(b, fmt::kCalRule), nullptr);
  for (std::size_t i = 0; i < std::max(ra.size(), rb.size()); ++i) {
    const std::string position = std::to_string(i);
    if (i >= ra.size() || i >= rb.size()) {
      const bool added = i >= ra.size();
      sink.Add(added ? What::kAdded : What::kRemoved, kind::kRule, (added ? rb : ra)[i].nodeName(), position);
      continue;
    }
    Changes changes;
    CompareTrees(ra[i], rb[i], changes);
    if (!changes.empty())
      sink.Add(What::kChanged, kind::kRule, rb[i].nodeName(), position, std::move(changes));
  }
}

// The floors of a model: each "Floor" element, then the floor information
// that no "Floor" has. A name may repeat: the n-th floor of a name is matched
// with the n-th of that name in the other model, and with the n-th
// "FloorInfo" of that name.
struct Floor {
  std::string name;
  std::size_t nth = 0;  // among the floors of that name
  dom::Element list;    // "Floor", may be empty
  dom::Element info;    // "FloorInfo", may be empty
};

// A floor's key: its name and which of that name it is ('\0' occurs in no name).
std::string FloorKey(const std::string& name, std::size_t nth) { return name + '\0' + std::to_string(nth); }

std::vector<Floor> Floors(const dom::Element& root) {
  std::vector<Floor> floors;
  std::unordered_map<std::string, std::size_t> lists, infos, place;
  for (const dom::Element& list : walk::Children(root, fmt::kFloor)) {
    std::string name = list.getAttribute(fmt::kAttFloorName);
    const std::size_t nth = lists[name]++;
    place.emplace(FloorKey(name, nth), floors.size());
    floors.push_back({std::move(name), nth, list, {}});
  }
  for (const dom::Element& info : walk::Children(walk::Section(root, fmt::kProjFloorInfo), fmt::kFloorInfo)) {
    std::string name = info.getAttribute(fmt::kAttFloorKey);
    const std::size_t nth = infos[name]++;
    const auto found = place.find(FloorKey(name, nth));
    if (found != place.end())
      floors[found->second].info = info;
    else
      floors.push_back({std::move(name), nth, {}, info});
  }
  return floors;
}

// Place of each floor by key.
using Places = std::unordered_map<std::string, std::size_t>;
Places PlacesOf(const std::vector<Floor>& floors) {
  Places places;
  for (std::size_t i = 0; i < floors.size(); ++i) places.emplace(FloorKey(floors[i].name, floors[i].nth), i);
  return places;
}

// Fenwick tree of running maxima over places 0..size-1: the best value
// recorded at a place below a given one, in logarithmic time.
class MaxBelow {
 public:
  explicit MaxBelow(std::size_t size) : tree_(size + 1, 0) {}
  void Record(std::size_t place, std::uint64_t value) {
    for (std::size_t i = place + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] = std::max(tree_[i], value);
  }
  std::uint64_t Below(std::size_t place) const {
    std::uint64_t best = 0;
    for (std::size_t i = place; i > 0; i -= i & (~i + 1)) best = std::max(best, tree_[i]);
    return best;
  }

 private:
  std::vector<std::uint64_t> tree_;
};

// Which of the floors both models have (in the new order) count as unmoved.
// The best chains are the longest runs of increasing old places, preferring
// floors that keep their place; a floor is unmoved when every best chain
// holds it. Moving one floor is then one change and swapping two is two,
// adjacent or not: either of two swapped neighbours could be the one moved.
std::vector<bool> InOrder(const std::vector<std::size_t>& old_place,
                          const std::vector<std::size_t>& new_place, std::size_t places) {
  const std::size_t n = old_place.size();
  // A chain's value: its length times `unit` plus the floors in it that keep
  // their place, so one more floor outweighs every place.
  const std::uint64_t unit = n + 1;
  std::vector<std::uint64_t> own(n), ending(n), starting(n);
  for (std::size_t i = 0; i < n; ++i) own[i] = unit + (old_place[i] == new_place[i]);
  MaxBelow before(places), after(places);
  for (std::size_t i = 0; i < n; ++i) {
    ending[i] = own[i] + before.Below(old_place[i]);
    before.Record(old_place[i], ending[i]);
  }
  for (std::size_t i = n; i-- > 0;) {
    const std::size_t mirrored = places - 1 - old_place[i];
    starting[i] = own[i] + after.Below(mirrored);
    after.Record(mirrored, starting[i]);
  }
  const std::uint64_t best = n == 0 ? 0 : *std::max_element(ending.begin(), ending.end());
  // A best chain holds one floor per length: a floor is in all of them when
  // no other floor of a best chain has its length.
  std::unordered_map<std::uint64_t, std::size_t> at_length;
  std::vector<bool> in_best(n);
  for (std::size_t i = 0; i < n; ++i) {
    in_best[i] = ending[i] + starting[i] - own[i] == best;
    if (in_best[i]) ++at_length[ending[i] / unit];
  }
  std::vector<bool> kept(n);
  for (std::size_t i = 0; i < n; ++i) kept[i] = in_best[i] && at_length[ending[i] / unit] == 1;
  return kept;
}

// A repeated floor name's second and later floors are told apart by their number.
Text Repeat(const Floor& floor) { return floor.nth > 0 ? Text(std::to_string(floor.nth)) : std::nullopt; }

// Runs part(i) for each i below `count`, half of them on a second thread.
// The parts only read both models, as several threads may.
template <typename Part>
void OnTwoThreads(std::size_t count, const Part& part) {
  const std::size_t half = count / 2;
  auto second = std::async(std::launch::async, [&] {
    for (std::size_t i = half; i < count; ++i) part(i);
  });
  try {
    for (std::size_t i = 0; i < half; ++i) part(i);
  } catch (...) {
    second.wait();
    throw;
  }
  second.get();
}

// As OnTwoThreads with part(i, out), and appends the parts' changes to `out` in the order of i.
template <typename Part>
void InOrderOnTwoThreads(std::size_t count, const Part& part, std::vector<Change>& out) {
  std::vector<std::vector<Change>> parts(count);
  OnTwoThreads(count, [&](std::size_t i) { part(i, parts[i]); });
  for (std::vector<Change>& changes : parts)
    std::move(changes.begin(), changes.end(), std::back_inserter(out));
}

// The floors a filter leaves in.
bool Wanted(const Floor& floor, const Filter& filter) { return !filter.floor || *filter.floor == floor.name; }

// Marks the object lists whose components are compared, by list place + 1
// (0: the global list): those of the floors both models have and the
// filter leaves in, and the global list, unless the two trees are the same.
std::pair<std::vector<bool>, std::vector<bool>> ListsToCompare(const dom::Element& a,
                                                               const std::vector<Floor>& fa,
                                                               const dom::Element& b,
                                                               const std::vector<Floor>& fb,
                                                               const Filter& filter) {
  std::vector<bool> in_a(fa.size() + 1, false), in_b(fb.size() + 1, false);
  const Places pa = PlacesOf(fa);
  std::vector<std::pair<std::size_t, std::size_t>> common;  // (old place, new place)
  for (std::size_t j = 0; j < fb.size(); ++j) {
    auto found = pa.find(FloorKey(fb[j].name, fb[j].nth));
    if (found != pa.end() && Wanted(fb[j], filter)) common.emplace_back(found->second, j);
  }
  std::vector<char> same(common.size());
  OnTwoThreads(common.size(), [&](std::size_t k) {
    same[k] = gxrm::SameTree(fa[common[k].first].list, fb[common[k].second].list);
  });
  for (std::size_t k = 0; k < common.size(); ++k) {
    if (!same[k]) in_a[common[k].first + 1] = in_b[common[k].second + 1] = true;
  }
  if (!filter.floor &&
      !gxrm::SameTree(walk::Section(a, fmt::kGlobalObjList), walk::Section(b, fmt::kGlobalObjList))) {
    in_a[0] = in_b[0] = true;
  }
  return {std::move(in_a), std::move(in_b)};
}

// `compared` marks the new model's lists whose components are compared.
void CompareFloors(const std::vector<Floor>& fa, const Components& ca, const std::vector<Floor>& fb,
                   const Components& cb, const std::vector<bool>& compared, const Filter& filter, Sink sink) {
  const Places pa = PlacesOf(fa), pb = PlacesOf(fb);
  const auto wanted = [&](const Floor& floor) { return Wanted(floor, filter); };
  for (const Floor& floor : fa) {
    if (pb.count(FloorKey(floor.name, floor.nth)) > 0 || !wanted(floor)) continue;
    sink.floor = floor.name;
    sink.Add(What::kRemoved, kind::kFloor, floor.name, Repeat(floor));
  }
  std::vector<std::size_t> old_place, new_place;  // of the floors both have, in new order
  for (std::size_t j = 0; j < fb.size(); ++j) {
    auto found = pa.find(FloorKey(fb[j].name, fb[j].nth));
    if (found != pa.end()) old_place.push_back(found->second), new_place.push_back(j);
  }
  const std::vector<bool> kept = InOrder(old_place, new_place, fa.size());
  std::vector<bool> moved(fb.size(), false);
  for (std::size_t c = 0; c < kept.size(); ++c) moved[new_place[c]] = !kept[c];
  InOrderOnTwoThreads(
      fb.size(),
      [&](std::size_t j, std::vector<Change>& out) {
        const Floor& floor = fb[j];
        if (!wanted(floor)) return;
        const Sink mine{out, floor.name, std::nullopt};
        auto found = pa.find(FloorKey(floor.name, floor.nth));
        if (found == pa.end()) return mine.Add(What::kAdded, kind::kFloor, floor.name, Repeat(floor));
        const Floor& old = fa[found->second];
        Changes changes;
        if (moved[j])
          changes.push_back(
              {fmt::kFloor, 0, kPositionMark, std::to_string(found->second), std::to_string(j)});
        CompareElements(old.info, floor.info, fmt::kFloorInfo, changes);
        CompareElements(old.list, floor.list, fmt::kFloor, changes);
        if (!changes.empty() && !filter.type_name)
          mine.Add(What::kChanged, kind::kFloor, floor.name, Repeat(floor), std::move(changes));
        // A floor's place is that of its "Floor" among them when it has one, and
        // no component is filed under a place past them.
        if (compared[j + 1])
          CompareObjectLists(ca, static_cast<int>(found->second), cb, static_cast<int>(j), filter, mine);
      },
      sink.out);
}

}  // namespace

const char* WhatName(What what) {
  switch (what) {
    case What::kAdded:
      return "added";
    case What::kRemoved:
      return "removed";
    default:
      return "changed";
  }
}

Summary Summarise(const std::vector<Change>& changes) {
  Summary summary;
  for (const Change& c : changes) {
    ++(c.what == What::kAdded ? summary.added : c.what == What::kRemoved ? summary.removed : summary.changed);
  }
  return summary;
}

namespace {
model::Json Nullable(const Text& text) { return text ? model::Json(*text) : model::Json(nullptr); }

model::Json ChangeToJson(const Change& c) {
  model::Json json = {{"change", WhatName(c.what)}, {"kind", c.kind}, {"floor", Nullable(c.floor)},
                      {"type", Nullable(c.type)},   {"name", c.name}, {"id", Nullable(c.id)}};
  if (c.what != What::kChanged) return json;
  model::Json& attributes = json["attributes"] = model::Json::array();
  for (const AttributeChange& a : c.attributes) {
    attributes.push_back({{"element", a.element},
                          {"index", a.index},
                          {"name", a.name},
                          {"old", Nullable(a.old_value)},
                          {"new", Nullable(a.new_value)}});
  }
  return json;
}
}  // namespace

model::Json ToJson(const std::vector<Change>& changes) {
  const Summary s = Summarise(changes);
  model::Json list = model::Json::array();
  for (const Change& c : changes) list.push_back(ChangeToJson(c));
  return {{"same", changes.empty()},
          {"summary", {{"added", s.added}, {"removed", s.removed}, {"changed", s.changed}}},
          {"changes", std::move(list)}};
}

bool HasFloor(const gxrm::Model& model, const std::string& name) {
  const std::vector<Floor> floors = Floors(model.Document().documentElement());
  return std::any_of(floors.begin(), floors.end(), [&](const Floor& f) { return f.name == name; });
}

std::vector<Change> Compare(const gxrm::Model& old_model, const gxrm::Model& new_model,
                            const Filter& filter) {
  const dom::Element old_root = old_model.Document().documentElement();
  const dom::Element new_root = new_model.Document().documentElement();
  const std::vector<Floor> old_floors = Floors(old_root), new_floors = Floors(new_root);
  const auto [old_lists, new_lists] = ListsToCompare(old_root, old_floors, new_root, new_floors, filter);
  // The two models' components are gathered side by side, one on each core.
  std::optional<Components> gathered[2];
  OnTwoThreads(2, [&, &old = old_lists, &fresh = new_lists](std::size_t i) {
    gathered[i].emplace(i == 0 ? old_model : new_model, i == 0 ? old : fresh);
  });
  const Components& old_components = *gathered[0];
  const Components& new_components = *gathered[1];
  std::vector<Change> changes;
  const Sink sink{changes, std::nullopt, std::nullopt};
  const bool whole = !filter.floor && !filter.type_name;
  if (whole) {
    CompareHeader(old_root, new_root, sink);
    CompareSections(old_root, new_root, sink);
    CompareCrossSections(old_root, new_root, sink);
    CompareRules(old_root, new_root, sink);
  }
  if (new_lists[0]) CompareObjectLists(old_components, -1, new_components, -1, filter, sink);
  CompareFloors(old_floors, old_components, new_floors, new_components, new_lists, filter, sink);
  return changes;
}

}  // namespace gxrm::tool::diff
