// json_model.cpp: DOM nodes to JSON and back, and checked access to JSON values.
#include "json_model.h"

namespace gxrm::tool::model {
namespace dom = gxrm::dom;

namespace {

std::string Sub(const std::string& where, const char* name) { return where + "." + name; }
std::string Sub(const std::string& where, std::size_t index) {
  return where + "[" + std::to_string(index) + "]";
}

// CDATA sections and processing instructions have no factory in the DOM:
// they are parsed from markup in a scratch document and copied in on append.
dom::Node ParsedNode(const std::string& markup, const std::string& where) {
  dom::Document scratch = dom::Document::create();
  if (!scratch.loadXML("<x>" + markup + "</x>")) {
    throw ToolError(where + ": cannot be written as XML: " + scratch.parseError().reason);
  }
  return scratch.documentElement().firstChild();
}

dom::Node ElementFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  OnlyMembers(node, {key::kName, key::kAttributes, key::kChildren}, where);
  dom::Element element = doc.createElement(AsString(node[key::kName], Sub(where, key::kName)));
  if (node.contains(key::kAttributes)) {
    const std::string at = Sub(where, key::kAttributes);
    for (const auto& [name, value] : AsObject(node[key::kAttributes], at).items()) {
      element.setAttribute(name, AsString(value, Sub(at, name.c_str())));
    }
  }
  const Json& children = OptionalArray(node, key::kChildren, where);
  for (std::size_t i = 0; i < children.size(); ++i) {
    element.appendChild(NodeFromJson(doc, children[i], Sub(Sub(where, key::kChildren), i)));
  }
  return element;
}

// The single string member of a text, comment or CDATA node.
const std::string& OnlyString(const Json& node, const char* name, const std::string& where) {
  OnlyMembers(node, {name}, where);
  return AsString(node[name], Sub(where, name));
}

}  // namespace

Json AttributesToJson(const dom::Node& element) {
  Json attributes = Json::object();
  for (dom::Node attribute : element.attributes()) attributes[attribute.nodeName()] = attribute.text();
  return attributes;
}

Json NodeToJson(const dom::Node& node) {
  switch (node.nodeType()) {
    case dom::NODE_ELEMENT: {
      Json json = {{key::kName, node.nodeName()}};
      Json attributes = AttributesToJson(node);
      if (!attributes.empty()) json[key::kAttributes] = std::move(attributes);
      Json children = Json::array();
      for (dom::Node child : node.childNodes()) children.push_back(NodeToJson(child));
      if (!children.empty()) json[key::kChildren] = std::move(children);
      return json;
    }
    case dom::NODE_TEXT: return {{key::kText, node.text()}};
    case dom::NODE_CDATA_SECTION: return {{key::kCdata, node.text()}};
    case dom::NODE_COMMENT: return {{key::kComment, node.text()}};
    case dom::NODE_PROCESSING_INSTRUCTION: return {{key::kPi, node.nodeName()}, {key::kData, node.text()}};
    default: return Json::object();
  }
}

const std::string& AsString(const Json& value, const std::string& where) {
  if (!value.is_string()) throw ToolError(where + ": expected a string");
  return value.get_ref<const std::string&>();
}

const Json& AsArray(const Json& value, const std::string& where) {
  if (!value.is_array()) throw ToolError(where + ": expected an array");
  return value;
}

const Json& AsObject(const Json& value, const std::string& where) {
  if (!value.is_object()) throw ToolError(where + ": expected an object");
  return value;
}

const Json& Member(const Json& object, const char* name, const std::string& where) {
  auto found = AsObject(object, where).find(name);
  if (found == object.end()) throw ToolError(where + ": missing \"" + name + "\"");
  return *found;
}

const Json& OptionalArray(const Json& object, const char* name, const std::string& where) {
  static const Json kEmpty = Json::array();
  auto found = AsObject(object, where).find(name);
  return found == object.end() ? kEmpty : AsArray(*found, Sub(where, name));
}

void OnlyMembers(const Json& object, std::initializer_list<const char*> allowed, const std::string& where) {
  for (const auto& member : AsObject(object, where).items()) {
    bool known = false;
    for (const char* name : allowed) known = known || member.key() == name;
    if (!known) throw ToolError(where + ": unexpected member \"" + member.key() + "\"");
  }
}

CGXRMnode RecordFromJson(const Json& attributes, const std::string& where) {
  CGXRMnode record;
  for (const auto& [name, value] : AsObject(attributes, where).items()) {
    record.AddAtt(Gbk(name), Gbk(AsString(value, Sub(where, name.c_str()))));
  }
  return record;
}

dom::Node NodeFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  AsObject(node, where);
  if (node.contains(key::kName)) return ElementFromJson(doc, node, where);
  if (node.contains(key::kText)) return doc.createTextNode(OnlyString(node, key::kText, where));
  if (node.contains(key::kComment)) return doc.createComment(OnlyString(node, key::kComment, where));
  if (node.contains(key::kCdata)) {
    return ParsedNode("<![CDATA[" + OnlyString(node, key::kCdata, where) + "]]>", where);
  }
  if (node.contains(key::kPi)) {
    OnlyMembers(node, {key::kPi, key::kData}, where);
    const std::string& target = AsString(node[key::kPi], Sub(where, key::kPi));
    const std::string data =
        node.contains(key::kData) ? AsString(node[key::kData], Sub(where, key::kData)) : "";
    return ParsedNode("<?" + target + (data.empty() ? "" : " " + data) + "?>", where);
  }
  throw ToolError(where + ": a node needs \"name\", \"text\", \"comment\", \"cdata\" or \"pi\"");
}

}  // namespace gxrm::tool::model
