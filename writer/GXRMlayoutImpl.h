// GXRMlayoutImpl.h: how the elements of component types and instances and of
// the object lists are laid out. The writer and the model both build through
// these, so that a component added to a loaded model stands exactly as the
// writer would have written it.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>

#include "catalogue/CGXRMobjBase.h"
#include "core/CGXRMfileParser.h"
#include "core/GXRMdom.h"
#include "format/GXRMformat.h"

namespace gxrm::layout {

// A component element: its name, its id and name attributes, and the
// elements of its record lists in the order they are written.
struct ComponentShape {
  const char* element;
  const char* id_att;
  const char* name_att;
  std::array<const char*, 4> lists;
  std::size_t list_count;

  // The position of the list element `name`, or list_count when it is none of them.
  std::size_t ListIndex(const char* name) const {
    for (std::size_t i = 0; i < list_count; ++i) {
      if (std::strcmp(lists[i], name) == 0) return i;
    }
    return list_count;
  }
};

// clang-format off
inline constexpr ComponentShape kTypeShape{
    format::kTypeClass, format::kAttClassId, format::kAttClassName,
    {format::kTypeClassAtt, format::kTypeClassGeoAtt, format::kTypeClassSection, format::kTypeClassSpecialtyAtt},
    4};
inline constexpr ComponentShape kInstanceShape{
    format::kInstance, format::kAttObjId, format::kAttObjName,
    {format::kObjAtt, format::kObjGeoAtt, format::kObjSection, nullptr},
    3};
// clang-format on

// Appends a component under `container`: its element with the `head`
// attributes (id, then name), then one element per record of each list, in
// the shape's order. `add(name, record, parent)` makes one element as
// AddChild does and returns it as a Node, a handle or a node of the tree;
// `lists(i)` gives the records of the shape's list i.
template <typename Node, typename Add, typename Head, typename Lists>
Node AppendComponent(Add&& add, const Node& container, const ComponentShape& shape, const Head& head,
                     Lists&& lists) {
  Node component = add(shape.element, head, container);
  for (std::size_t i = 0; i < shape.list_count; ++i) {
    for (const auto& record : lists(i)) add(shape.lists[i], record, component);
  }
  return component;
}

// Appends one "Type" element of the type's Chinese name with its two
// containers under a kind element.
IXMLDOMElementPtr AppendTypeSkeleton(CGXRMfileParser& parser, const IXMLDOMElementPtr& kind_elem,
                                     const CString& type_name);
// Appends a kind element with its "Type" elements under an object list.
IXMLDOMElementPtr AppendKindSkeleton(CGXRMfileParser& parser, const IXMLDOMElementPtr& list,
                                     GXRM_obj_base::Kind kind);

}  // namespace gxrm::layout
