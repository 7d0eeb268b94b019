// json_model.cpp: DOM nodes to JSON and back, and checked access to JSON values.
#include "json_model.h"

#include <strings.h>

#include <cctype>
#include <vector>

namespace gxrm::tool::model {
namespace dom = gxrm::dom;

namespace {

// The single string member of a text, comment or CDATA node.
const std::string& OnlyString(const Json& node, const char* name, const std::string& where) {
  OnlyMembers(node, {name}, where);
  return AsString(node[name], Sub(where, name));
}

// CDATA sections and processing instructions have no factory in the DOM:
// they are parsed from markup in a scratch document and copied in on append.
// What reads back otherwise than asked (a target that is no name, line ends
// the parser normalises) is refused rather than written differently.
dom::Node ParsedNode(const std::string& markup, const std::string& name, const std::string& text,
                     const std::string& where) {
  dom::Document scratch = dom::Document::create();
  if (!scratch.loadXML("<x>" + markup + "</x>")) {
    throw ToolError(where + ": cannot be written as XML: " + scratch.parseError().reason);
  }
  dom::Node node = scratch.documentElement().firstChild();
  if (!node || node.nextSibling() || node.nodeName() != name || node.text() != text) {
    throw ToolError(where + ": cannot be written as XML exactly");
  }
  return node;
}

[[noreturn]] void Unwritable(const std::string& where, const char* member, const std::string& why) {
  throw ToolError(Sub(where, member) + ": " + why);
}

// Markup that cannot escape a carriage return gets a line feed back when read.
void NoCarriageReturn(const std::string& text, const std::string& where, const char* member) {
  if (text.find('\r') != std::string::npos) {
    Unwritable(where, member, "holds a carriage return, read back as a line feed");
  }
}

dom::Node CommentFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  const std::string& text = OnlyString(node, key::kComment, where);
  NoCarriageReturn(text, where, key::kComment);
  return doc.createComment(text);
}

dom::Node CdataFromJson(const Json& node, const std::string& where) {
  const std::string& text = OnlyString(node, key::kCdata, where);
  NoCarriageReturn(text, where, key::kCdata);
  if (text.find("]]>") != std::string::npos)
    Unwritable(where, key::kCdata, "holds \"]]>\", which ends CDATA");
  return ParsedNode("<![CDATA[" + text + "]]>", "#cdata-section", text, where);
}

dom::Node PiFromJson(const Json& node, const std::string& where) {
  OnlyMembers(node, {key::kPi, key::kData}, where);
  const std::string& target = AsString(node[key::kPi], Sub(where, key::kPi));
  const std::string data =
      node.contains(key::kData) ? AsString(node[key::kData], Sub(where, key::kData)) : "";
  if (::strcasecmp(target.c_str(), "xml") == 0)
    Unwritable(where, key::kPi, "\"" + target + "\" is reserved for the XML declaration");
  if (data.find("?>") != std::string::npos) {
    Unwritable(where, key::kData, "holds \"?>\", which ends a processing instruction");
  }
  NoCarriageReturn(data, where, key::kData);
  if (!data.empty() && std::isspace(static_cast<unsigned char>(data[0]))) {
    Unwritable(where, key::kData, "begins with white space, which XML drops");
  }
  return ParsedNode("<?" + target + (data.empty() ? "" : " " + data) + "?>", target, data, where);
}

// An element with its attributes, its children left to the caller.
dom::Element ElementFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  OnlyMembers(node, {key::kName, key::kAttributes, key::kChildren}, where);
  dom::Element element = doc.createElement(AsString(node[key::kName], Sub(where, key::kName)));
  if (node.contains(key::kAttributes)) {
    const std::string at = Sub(where, key::kAttributes);
    for (const auto& [name, value] : AsObject(node[key::kAttributes], at).items()) {
      element.setAttribute(name, AsString(value, Sub(at, name.c_str())));
    }
  }
  return element;
}

// One node made in `doc` outside its tree, without its children; a DOM error
// becomes a ToolError naming `where`.
dom::Node ShellFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  AsObject(node, where);
  try {
    if (node.contains(key::kName)) return ElementFromJson(doc, node, where);
    if (node.contains(key::kText)) return doc.createTextNode(OnlyString(node, key::kText, where));
    if (node.contains(key::kComment)) return CommentFromJson(doc, node, where);
  } catch (const gxrm::DomError& e) {
    throw ToolError(where + ": " + e.what());
  }
  if (node.contains(key::kCdata)) return CdataFromJson(node, where);
  if (node.contains(key::kPi)) return PiFromJson(node, where);
  throw ToolError(where + ": a node needs \"name\", \"text\", \"comment\", \"cdata\" or \"pi\"");
}

// One node of NodeToJson's form without its children; attributes when an element has any.
Json ShellToJson(const dom::Node& node) {
  switch (node.nodeType()) {
    case dom::NODE_ELEMENT: {
      Json json = {{key::kName, node.nodeName()}};
      Json attributes = AttributesToJson(node);
      if (!attributes.empty()) json[key::kAttributes] = std::move(attributes);
      return json;
    }
    case dom::NODE_TEXT:
      return {{key::kText, node.text()}};
    case dom::NODE_CDATA_SECTION:
      return {{key::kCdata, node.text()}};
    case dom::NODE_COMMENT:
      return {{key::kComment, node.text()}};
    case dom::NODE_PROCESSING_INSTRUCTION:
      return {{key::kPi, node.nodeName()}, {key::kData, node.text()}};
    default:
      return Json::object();
  }
}

}  // namespace

Json AttributesToJson(const dom::Node& element) {
  Json attributes = Json::object();
  for (dom::Node attribute : element.attributes()) attributes[attribute.nodeName()] = attribute.text();
  return attributes;
}

// Walks the tree with a stack of its own: a rule may be nested deeper than
// the call stack could follow.
Json NodeToJson(const dom::Node& node) {
  Json json = ShellToJson(node);
  struct Pending {
    Json* json;       // the element's JSON, whose "children" grow
    dom::Node child;  // its next child to convert
  };
  std::vector<Pending> stack;
  if (node.nodeType() == dom::NODE_ELEMENT) stack.push_back({&json, node.firstChild()});
  while (!stack.empty()) {
    const dom::Node child = stack.back().child;
    if (!child) {
      stack.pop_back();
      continue;
    }
    stack.back().child = child.nextSibling();
    Json& children = (*stack.back().json)[key::kChildren];
    children.push_back(ShellToJson(child));
    if (child.nodeType() == dom::NODE_ELEMENT) stack.push_back({&children.back(), child.firstChild()});
  }
  return json;
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

// Builds with a stack of its own, as deep as the JSON goes. An element is
// appended to its parent once complete, so each append looks up one level.
// Nodes are made with paths relative to the current one; the full JSON path
// is only put together for an error message.
dom::Node NodeFromJson(const dom::Document& doc, const Json& node, const std::string& where) {
  struct Pending {
    dom::Node node;        // the element being filled
    const Json* children;  // its JSON children
    std::size_t next;      // the next of them to make
  };
  std::vector<Pending> stack;
  auto here = [&](auto&& work) -> decltype(auto) {
    try {
      return work();
    } catch (const ToolError& e) {
      std::string at = where;
      for (const Pending& up : stack) at = Sub(Sub(at, key::kChildren), up.next - 1);
      throw ToolError(at + e.what());
    }
  };
  auto make = [&](const Json& json) {
    const dom::Node made = here([&] { return ShellFromJson(doc, json, ""); });
    if (made.nodeType() == dom::NODE_ELEMENT) {
      const Json& children = here([&]() -> const Json& { return OptionalArray(json, key::kChildren, ""); });
      stack.push_back({made, &children, 0});
    } else if (!stack.empty()) {
      stack.back().node.appendChild(made);
    }
    return made;
  };
  const dom::Node top = make(node);
  while (!stack.empty()) {
    Pending& pending = stack.back();
    if (pending.next < pending.children->size()) {
      make((*pending.children)[pending.next++]);
      continue;
    }
    const dom::Node done = pending.node;
    stack.pop_back();
    if (!stack.empty()) stack.back().node.appendChild(done);
  }
  return top;
}

void WriteJson(std::ostream& out, const Json& value) {
  struct Open {
    const Json* container;
    Json::const_iterator next;
  };
  std::vector<Open> stack;
  // A scalar or an empty container is written whole; others are opened.
  auto begin = [&](const Json& json) {
    if (!json.is_structured() || json.empty()) {
      out << json.dump();
      return;
    }
    out << (json.is_object() ? '{' : '[');
    stack.push_back({&json, json.cbegin()});
  };
  begin(value);
  while (!stack.empty()) {
    Open& open = stack.back();
    const std::size_t depth = stack.size();
    const bool indented = depth <= kIndentedDepth;
    if (open.next == open.container->cend()) {
      if (indented) out << '\n' << std::string(2 * (depth - 1), ' ');
      out << (open.container->is_object() ? '}' : ']');
      stack.pop_back();
      continue;
    }
    if (open.next != open.container->cbegin()) out << ',';
    if (indented) out << '\n' << std::string(2 * depth, ' ');
    const auto item = open.next++;
    if (open.container->is_object()) out << Json(item.key()).dump() << (indented ? ": " : ":");
    begin(*item);
  }
}

}  // namespace gxrm::tool::model
