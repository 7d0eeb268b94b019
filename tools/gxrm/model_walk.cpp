// model_walk.cpp: DOM look-ups over a loaded model.
#include "model_walk.h"

namespace gxrm::tool::walk {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;

Pairs Attributes(const dom::Node& node) {
  Pairs pairs;
  if (!node) return pairs;
  for (dom::Node attribute : node.attributes()) pairs.emplace_back(attribute.nodeName(), attribute.text());
  return pairs;
}

std::vector<dom::Element> Children(const dom::Node& parent, const char* name) {
  std::vector<dom::Element> children;
  if (!parent) return children;
  for (dom::Node child = parent.firstChild(); child; child = child.nextSibling()) {
    if (child.nodeType() == dom::NODE_ELEMENT && (name == nullptr || child.nodeName() == name))
      children.emplace_back(child);
  }
  return children;
}

dom::Element Section(const dom::Element& root, const char* name) { return root.selectSingleNode(name); }

dom::Element FloorInfo(const dom::Element& root, const std::string& floor) {
  for (const dom::Element& info : Children(Section(root, fmt::kProjFloorInfo), fmt::kFloorInfo)) {
    if (info.getAttribute(fmt::kAttFloorKey) == floor) return info;
  }
  return {};
}

}  // namespace gxrm::tool::walk
