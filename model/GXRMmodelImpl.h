// GXRMmodelImpl.h: what the model's parts share: its state and the walk
// over the object lists.
#pragma once

#include <pugixml.hpp>

#include <cstring>
#include <memory>
#include <string>

#include "catalogue/GXRMnames.h"
#include "core/CGXRMfileParser.h"
#include "core/GXRMdomImpl.h"
#include "format/GXRMformat.h"
#include "model/GXRMmodel.h"
#include "model/GXRMquery.h"
#include "writer/GXRMlayoutImpl.h"

namespace gxrm {

// The document of a model; Components share it.
struct ModelState : std::enable_shared_from_this<ModelState> {
  dom::Document doc;

  dom::detail::DocImpl& Impl() const { return *dom::detail::Access::Impl(doc); }
  pugi::xml_node Root() const { return Impl().Root(); }
  // A handle on a node of the document.
  dom::Element Handle(pugi::xml_node n) const {
    return dom::Element(dom::detail::Access::MakeNode(dom::detail::Access::Impl(doc), n));
  }
  // The parser the writer's layout code builds through.
  CGXRMfileParser& Parser();

 private:
  struct Builder : CGXRMfileParser {
    explicit Builder(const dom::Document& d) { m_pDoc = d; }
  };
  std::unique_ptr<Builder> builder_;
};

namespace model {

inline bool Is(pugi::xml_node n, const char* name) {
  return n.type() == pugi::node_element && std::strcmp(n.name(), name) == 0;
}

// The first child element named `name`, or an empty node.
inline pugi::xml_node FirstChild(pugi::xml_node parent, const char* name) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (Is(c, name)) return c;
  }
  return pugi::xml_node();
}

inline const layout::ComponentShape& ShapeOf(bool is_type) {
  return is_type ? layout::kTypeShape : layout::kInstanceShape;
}

// The global object list (the first) and then every floor, in file order.
// `visit(list, floor_name, floor_index)`; a floor without a name counts as
// "", the global list's index is -1.
template <typename Visit>
void ForEachObjectList(pugi::xml_node root, Visit&& visit) {
  std::string floor;
  if (pugi::xml_node global = FirstChild(root, format::kGlobalObjList)) visit(global, floor, -1);
  int index = 0;
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
    if (!Is(c, format::kFloor)) continue;
    floor = c.attribute(format::kAttFloorName).value();
    visit(c, floor, index++);
  }
}

// Every component the query selects, in file order:
// `visit(element, floor, floor_index, type, is_type)`.
template <typename Visit>
void Walk(pugi::xml_node root, const Query& query, Visit&& visit) {
  ForEachObjectList(root, [&](pugi::xml_node list, const std::string& floor, int floor_index) {
    if (!query.FloorHolds(floor)) return;
    for (pugi::xml_node kind_elem = list.first_child(); kind_elem; kind_elem = kind_elem.next_sibling()) {
      if (kind_elem.type() != pugi::node_element) continue;
      auto kind = KindByElementName(kind_elem.name());
      if (!kind || !query.KindHolds(*kind)) continue;
      for (pugi::xml_node type_elem = kind_elem.first_child(); type_elem;
           type_elem = type_elem.next_sibling()) {
        if (!Is(type_elem, format::kType)) continue;
        auto type = TypeByChineseName(type_elem.attribute(format::kAttTypeName).value());
        if (type == GXRM_objType_base::TYPE_NONE || !query.TypeHolds(type)) continue;
        for (bool is_type : {true, false}) {
          if (!(is_type ? query.WantsTypes() : query.WantsInstances())) continue;
          const layout::ComponentShape& shape = ShapeOf(is_type);
          pugi::xml_node container =
              FirstChild(type_elem, is_type ? format::kObjTypeInfo : format::kObjInstance);
          for (pugi::xml_node c = container.first_child(); c; c = c.next_sibling()) {
            if (Is(c, shape.element) && query.ComponentHolds(c, shape))
              visit(c, floor, floor_index, type, is_type);
          }
        }
      }
    }
  });
}

}  // namespace model
}  // namespace gxrm
