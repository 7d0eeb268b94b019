// Navigation: floors, kind elements, "Type" elements and their containers.
//
// The answer is always that of a plain walk from the root: the first match
// in document order, exact comparison, and the DOM error for a key attribute
// missing on an element met before the match. Floors and the global list are
// found through an index of the root's children that is rebuilt whenever the
// document's top two levels change, so that a lookup does not grow with the
// number of floors.
#include <cstring>
#include <string>
#include <unordered_map>

#include "core/CGXRMfileParser.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "format/GXRMformat.h"

using gxrm::dom::detail::Access;
using gxrm::dom::detail::DocImpl;
using gxrm::dom::detail::RootIndex;
namespace format = gxrm::format;

namespace {
constexpr size_t kNone = static_cast<size_t>(-1);
}  // namespace

// The root's "Floor" children by floor name, and its first "GlobalObjList".
struct gxrm::dom::detail::RootIndex {
  uint64_t generation = 0;
  pugi::xml_node_struct* root = nullptr;
  struct Entry {
    pugi::xml_node_struct* node;
    size_t position;
  };
  std::unordered_map<std::string, Entry> floors;  // first floor of each name
  size_t first_nameless = kNone;                  // first floor without a name
  pugi::xml_node_struct* global = nullptr;
};

namespace {

void BuildIndex(RootIndex& index, pugi::xml_node root) {
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
      index.floors.try_emplace(name.value(), RootIndex::Entry{c.internal_object(), position});
    }
    ++position;
  }
}

const RootIndex& IndexOf(const IXMLDOMElementPtr& root) {
  DocImpl& impl = *Access::Impl(root);
  if (!impl.navCache) impl.navCache = std::make_shared<RootIndex>();
  RootIndex* index = impl.navCache.get();
  pugi::xml_node r = Access::Pugi(root);
  if (index->root != r.internal_object() || index->generation != impl.RootGeneration()) {
    BuildIndex(*index, r);
    index->root = r.internal_object();
    index->generation = impl.RootGeneration();
  }
  return *index;
}

IXMLDOMElementPtr Wrap(const IXMLDOMElementPtr& from, pugi::xml_node n) {
  return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(from), n));
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

}  // namespace

IXMLDOMElementPtr CGXRMfileParser::RequireRoot() { return gxrm::RequireRoot(*this); }

bool CGXRMfileParser::GetFloorNode(const CString& floor, IXMLDOMElementPtr& node) {
  IXMLDOMElementPtr root = RequireRoot();
  const RootIndex& index = IndexOf(root);
  thread_local std::string key, scratch;
  key.assign(gxrm::AsUtf8(floor, scratch, "floor name"));
  auto it = index.floors.find(key);
  size_t match = it == index.floors.end() ? kNone : it->second.position;
  if (index.first_nameless != kNone && (match == kNone || index.first_nameless < match)) {
    gxrm::ThrowMissingKey(format::kFloor, format::kAttFloorName);
  }
  if (match == kNone) return false;
  node = Wrap(root, pugi::xml_node(it->second.node));
  return true;
}

bool CGXRMfileParser::GetObjRootNode(const CString& floor, GXRM_obj_base::Kind kind,
                                     IXMLDOMElementPtr& node) {
  IXMLDOMElementPtr floor_elem;
  if (!GetFloorNode(floor, floor_elem)) return false;
  IXMLDOMElementPtr kind_elem = gxrm::FirstChildNamed(floor_elem, KindName(kind));
  if (!kind_elem) return false;
  node = kind_elem;
  return true;
}

bool CGXRMfileParser::GetObjRootNode(GXRM_obj_base::Kind kind, IXMLDOMElementPtr& node) {
  IXMLDOMElementPtr root = RequireRoot();
  const RootIndex& index = IndexOf(root);
  if (!index.global) gxrm::ThrowMissing("the document's global object list");
  node = gxrm::FirstChildNamed(Wrap(root, pugi::xml_node(index.global)), KindName(kind));
  return static_cast<bool>(node);
}

IXMLDOMElementPtr CGXRMfileParser::TypeUnder(const IXMLDOMElementPtr& kind_elem,
                                             GXRM_objType_base::Type type) const {
  const std::string& name = TypeNameUtf8(type);
  for (pugi::xml_node c = Access::Pugi(kind_elem).first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element || std::strcmp(c.name(), format::kType) != 0) continue;
    pugi::xml_attribute type_name = c.attribute(format::kAttTypeName);
    if (!type_name) gxrm::ThrowMissingKey(format::kType, format::kAttTypeName);
    if (name == type_name.value()) return Wrap(kind_elem, c);
  }
  return IXMLDOMElementPtr();
}

bool CGXRMfileParser::FindTypeLevel(const CString* floor, GXRM_objType_base::Type type, const char* container,
                                    IXMLDOMElementPtr& node) {
  GXRM_obj_base::Kind kind = CGXRMobjTypeBase::GetObjKind(type);
  IXMLDOMElementPtr kind_elem;
  if (!(floor ? GetObjRootNode(*floor, kind, kind_elem) : GetObjRootNode(kind, kind_elem))) return false;
  IXMLDOMElementPtr type_elem = TypeUnder(kind_elem, type);
  if (!type_elem) return false;
  node = container ? gxrm::FirstChildNamed(type_elem, container) : type_elem;
  return static_cast<bool>(node);
}

bool CGXRMfileParser::GetObjTypeNode(const CString& floor, GXRM_objType_base::Type type,
                                     IXMLDOMElementPtr& node) {
  return FindTypeLevel(&floor, type, nullptr, node);
}

bool CGXRMfileParser::GetObjTypeNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return FindTypeLevel(nullptr, type, nullptr, node);
}

bool CGXRMfileParser::GetObjTypeInfoNode(const CString& floor, GXRM_objType_base::Type type,
                                         IXMLDOMElementPtr& node) {
  return FindTypeLevel(&floor, type, format::kObjTypeInfo, node);
}

bool CGXRMfileParser::GetObjTypeInfoNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return FindTypeLevel(nullptr, type, format::kObjTypeInfo, node);
}

bool CGXRMfileParser::GetObjInstanceNode(const CString& floor, GXRM_objType_base::Type type,
                                         IXMLDOMElementPtr& node) {
  return FindTypeLevel(&floor, type, format::kObjInstance, node);
}

bool CGXRMfileParser::GetObjInstanceNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node) {
  return FindTypeLevel(nullptr, type, format::kObjInstance, node);
}
