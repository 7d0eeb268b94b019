// Navigation: floors, kind elements, "Type" elements and their containers.
//
// The answer is always that of a plain walk from the root: the first match
// in document order, exact comparison, and the DOM error for a key attribute
// missing on an element met before the match. Floors and the global list are
// found through an index of the root's children that is rebuilt whenever the
// document's top two levels change, so that a lookup does not grow with the
// number of floors. The "Type" elements and containers found are remembered
// until anything down to the "Type" level changes, so that a writer adding
// component after component does not walk the kinds and types each time.
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/CGXRMfileParser.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "format/GXRMformat.h"

using gxrm::dom::detail::Access;
using gxrm::dom::detail::DocImpl;
using gxrm::dom::detail::NavIndex;
namespace format = gxrm::format;

namespace {
constexpr size_t kNone = static_cast<size_t>(-1);
}  // namespace

// The root's "Floor" children by floor name, and its first "GlobalObjList";
// beside them the type-level answers found so far.
struct gxrm::dom::detail::NavIndex {
  uint64_t generation = 0;
  pugi::xml_node_struct* root = nullptr;
  struct Entry {
    pugi::xml_node_struct* node;
    size_t position;
  };
  std::unordered_map<std::string, Entry> floors;  // first floor of each name
  size_t first_nameless = kNone;                  // first floor without a name
  pugi::xml_node_struct* global = nullptr;

  // A floor or the global list, a type, and the container asked for (null
  // for the "Type" element itself).
  struct TypeKey {
    pugi::xml_node_struct* scope;
    int type;
    const char* container;
    bool operator==(const TypeKey& o) const {
      return scope == o.scope && type == o.type && container == o.container;
    }
  };
  struct TypeKeyHash {
    size_t operator()(const TypeKey& k) const {
      return std::hash<const void*>()(k.scope) ^ (std::hash<const void*>()(k.container) << 1) ^
             (static_cast<size_t>(k.type) * 0x9E3779B97F4A7C15ull);
    }
  };
  uint64_t type_generation = 0;
  std::unordered_map<TypeKey, pugi::xml_node_struct*, TypeKeyHash> type_level;
};

namespace {

void BuildIndex(NavIndex& index, pugi::xml_node root) {
  index.floors.clear();
  index.first_nameless = kNone;
  index.global = nullptr;
  size_t position = 0;
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (!index.global && std::strcmp(c.name(), format::kGlobalObjList) == 0) {
      index.global = c.internal_object();
    }
    if (std::strcmp(c.name(), format::kFloor) != 0) continue;
    pugi::xml_attribute name = c.attribute(format::kAttFloorName);
    if (!name) {
      if (index.first_nameless == kNone) index.first_nameless = position;
    } else {
      index.floors.try_emplace(name.value(), NavIndex::Entry{c.internal_object(), position});
    }
    ++position;
  }
}

// The callers below hold impl.nav_lock.
NavIndex& CacheOf(DocImpl& impl) {
  if (!impl.nav_cache) impl.nav_cache = std::make_shared<NavIndex>();
  return *impl.nav_cache;
}

// The index, brought up to date. Readers on several threads may ask at once;
// once built it changes only with the tree, which no reader changes, so the
// answer can be read after the lock is let go.
const NavIndex& IndexOf(DocImpl& impl, pugi::xml_node root) {
  std::lock_guard<std::mutex> hold(impl.nav_lock);
  NavIndex* index = &CacheOf(impl);
  if (index->root != root.internal_object() || index->generation != impl.RootGeneration()) {
    BuildIndex(*index, root);
    index->root = root.internal_object();
    index->generation = impl.RootGeneration();
  }
  return *index;
}

// The type-level answers found since the levels they stand on last changed;
// the caller holds impl.nav_lock.
decltype(NavIndex::type_level)& TypeLevelOf(DocImpl& impl) {
  NavIndex& index = CacheOf(impl);
  if (index.type_generation != impl.TypeGeneration()) {
    index.type_level.clear();
    index.type_generation = impl.TypeGeneration();
  }
  return index.type_level;
}

// The type-level answer found before for `key`, or null.
pugi::xml_node_struct* Remembered(DocImpl& impl, const NavIndex::TypeKey& key) {
  std::lock_guard<std::mutex> hold(impl.nav_lock);
  const auto& answers = TypeLevelOf(impl);
  auto hit = answers.find(key);
  return hit == answers.end() ? nullptr : hit->second;
}

void Remember(DocImpl& impl, const NavIndex::TypeKey& key, pugi::xml_node_struct* answer) {
  std::lock_guard<std::mutex> hold(impl.nav_lock);
  TypeLevelOf(impl).emplace(key, answer);
}

// A document's tree and its root element, reached without a handle.
struct Tree {
  DocImpl& impl;
  pugi::xml_node root;
};

// Raises as gxrm::RequireRoot without a document or root.
Tree TreeOf(const gxrm::dom::Document& doc) {
  DocImpl& impl = *Access::Impl(gxrm::Require(doc, "the document to take the root element of"));
  pugi::xml_node root = impl.Root();
  if (!root) gxrm::ThrowMissing("the document's root element");
  return {impl, root};
}

IXMLDOMElementPtr Wrap(const gxrm::dom::Document& doc, pugi::xml_node n) {
  return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(doc), n));
}

// The first "Floor" named `floor`, or null; raises when a floor without a
// name comes before it.
pugi::xml_node FloorIn(const Tree& tree, const CString& floor) {
  const NavIndex& index = IndexOf(tree.impl, tree.root);
  // A writer asks for the same floor again and again: its UTF-8 key is kept.
  thread_local CString asked;
  thread_local std::string key, scratch;
  if (floor != asked) {
    key.assign(gxrm::AsUtf8(floor, scratch, "floor name"));
    asked = floor;
  }
  auto it = index.floors.find(key);
  size_t match = it == index.floors.end() ? kNone : it->second.position;
  if (index.first_nameless != kNone && (match == kNone || index.first_nameless < match)) {
    gxrm::ThrowMissingKey(format::kFloor, format::kAttFloorName);
  }
  return match == kNone ? pugi::xml_node() : pugi::xml_node(it->second.node);
}

// The floor named `floor`, or the global list when `floor` is null (raising
// when there is none); null when there is no such floor.
pugi::xml_node ScopeOf(const Tree& tree, const CString* floor) {
  if (floor) return FloorIn(tree, *floor);
  const NavIndex& index = IndexOf(tree.impl, tree.root);
  if (!index.global) gxrm::ThrowMissing("the document's global object list");
  return pugi::xml_node(index.global);
}

// The first child element of `parent` named `name`, or null.
pugi::xml_node FirstChildNamed(pugi::xml_node parent, const char* name) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && std::strcmp(c.name(), name) == 0) return c;
  }
  return {};
}

// The kind element names, made once.
const char* KindName(GXRM_obj_base::Kind kind) {
  static const std::vector<CString> names = [] {
    std::vector<CString> v;
    for (int k = 0; k < CGXRMobjBase::GetObjCount(); ++k) {
      v.push_back(CGXRMobjBase::GetObjNamebyKind(static_cast<GXRM_obj_base::Kind>(k)));
    }
    return v;
  }();
  return kind >= 0 && static_cast<size_t>(kind) < names.size() ? names[kind].c_str() : "";
}

// The type names as the document holds them (UTF-8), made once.
const std::string& TypeNameUtf8(GXRM_objType_base::Type type) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
      v.push_back(gxrm::ToUtf8(CGXRMobjTypeBase::GetObjTypeName(static_cast<GXRM_objType_base::Type>(t))));
    }
    return v;
  }();
  static const std::string none;
  return type >= 0 && static_cast<size_t>(type) < names.size() ? names[type] : none;
}

// The first "Type" of `type` under a kind element, or null; raises when a
// "Type" without a type name comes before it.
pugi::xml_node TypeUnder(pugi::xml_node kind_elem, GXRM_objType_base::Type type) {
  const std::string& name = TypeNameUtf8(type);
  for (pugi::xml_node c = kind_elem.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element || std::strcmp(c.name(), format::kType) != 0) continue;
    pugi::xml_attribute type_name = c.attribute(format::kAttTypeName);
    if (!type_name) gxrm::ThrowMissingKey(format::kType, format::kAttTypeName);
    if (name == type_name.value()) return c;
  }
  return {};
}

}  // namespace

bool CGXRMfileParser::GetFloorNode(const CString& floor, IXMLDOMElementPtr& node) {
  pugi::xml_node found = FloorIn(TreeOf(m_pDoc), floor);
  if (!found) return false;
  node = Wrap(m_pDoc, found);
  return true;
}

bool CGXRMfileParser::GetObjRootNode(const CString& floor, GXRM_obj_base::Kind kind,
                                     IXMLDOMElementPtr& node) {
  pugi::xml_node floor_elem = FloorIn(TreeOf(m_pDoc), floor);
  pugi::xml_node kind_elem = floor_elem ? FirstChildNamed(floor_elem, KindName(kind)) : pugi::xml_node();
  if (!kind_elem) return false;
  node = Wrap(m_pDoc, kind_elem);
  return true;
}

bool CGXRMfileParser::GetObjRootNode(GXRM_obj_base::Kind kind, IXMLDOMElementPtr& node) {
  node = Wrap(m_pDoc, FirstChildNamed(ScopeOf(TreeOf(m_pDoc), nullptr), KindName(kind)));
  return static_cast<bool>(node);
}

pugi::xml_node_struct* CGXRMfileParser::FindTypeLevel(const CString* floor, GXRM_objType_base::Type type,
                                                      const char* container, bool* type_found) {
  const Tree tree = TreeOf(m_pDoc);
  pugi::xml_node scope = ScopeOf(tree, floor);
  if (!scope) return nullptr;
  const NavIndex::TypeKey key{scope.internal_object(), type, container};
  if (pugi::xml_node_struct* known = Remembered(tree.impl, key)) {
    if (type_found) *type_found = true;
    return known;
  }
  pugi::xml_node kind_elem = FirstChildNamed(scope, KindName(CGXRMobjTypeBase::GetObjKind(type)));
  pugi::xml_node type_elem = kind_elem ? TypeUnder(kind_elem, type) : pugi::xml_node();
  if (!type_elem) return nullptr;
  if (type_found) *type_found = true;
  pugi::xml_node node = container ? FirstChildNamed(type_elem, container) : type_elem;
  if (node) Remember(tree.impl, key, node.internal_object());
  return node.internal_object();
}

bool CGXRMfileParser::TypeLevelNode(const CString* floor, GXRM_objType_base::Type type, const char* container,
                                    IXMLDOMElementPtr& node) {
  bool type_found = false;
  pugi::xml_node found(FindTypeLevel(floor, type, container, &type_found));
  if (!type_found) return false;
  node = Wrap(m_pDoc, found);
  return static_cast<bool>(found);
}

bool CGXRMfileParser::GetObjTypeNode(const CString& floor, GXRM_objType_base::Type type,
                                     IXMLDOMElementPtr& node) {
  return TypeLevelNode(&floor, type, nullptr, node);
}

bool CGXRMfileParser::GetObjTypeNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return TypeLevelNode(nullptr, type, nullptr, node);
}

bool CGXRMfileParser::GetObjTypeInfoNode(const CString& floor, GXRM_objType_base::Type type,
                                         IXMLDOMElementPtr& node) {
  return TypeLevelNode(&floor, type, format::kObjTypeInfo, node);
}

bool CGXRMfileParser::GetObjTypeInfoNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return TypeLevelNode(nullptr, type, format::kObjTypeInfo, node);
}

bool CGXRMfileParser::GetObjInstanceNode(const CString& floor, GXRM_objType_base::Type type,
                                         IXMLDOMElementPtr& node) {
  return TypeLevelNode(&floor, type, format::kObjInstance, node);
}

bool CGXRMfileParser::GetObjInstanceNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return TypeLevelNode(nullptr, type, format::kObjInstance, node);
}
