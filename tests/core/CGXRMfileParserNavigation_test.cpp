// Navigation and its out-handle rules; randomised checks hold the look-ups to
// the first exact match in document order after every kind of change.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

#include "ParserFixture.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"

namespace {

using gxrm::dom::Element;
using gxrm::dom::Node;
namespace format = gxrm::format;
using GXRM_obj_base::Kind;
using GXRM_objType_base::Type;

// A document with one floor "1F" holding a BEAM kind with the frame-beam
// type, and a global list of the same shape.
std::string TypeNameOf(Type type) { return gxrm::ToUtf8(CGXRMobjTypeBase::GetObjTypeName(type)); }

std::string Model() {
  const std::string beam = "<BEAM><Type typename=\"" + TypeNameOf(GXRM_objType_base::FRAME_BEAM) +
                           "\"><ObjTypeInfo/><ObjInstance/></Type></BEAM>";
  return "<GXRMheader_v1.0><GlobalObjList>" + beam + "</GlobalObjList><Floor floorname=\"1F\">" + beam +
         "</Floor></GXRMheader_v1.0>";
}

// No root, no global list and a key missing before the match raise too: the
// randomised test below reaches each of them.
TEST(Navigation, OutHandleIsEmptiedOnlyByAFailingLastStep) {
  TestParser parser;
  IXMLDOMElementPtr root, node;
  EXPECT_EQ(CodeOf([&] { parser.GetFloorNode("1F", node); }), 0x80004003u);  // no document
  ASSERT_TRUE(parser.LoadXml(Model()));
  EXPECT_EQ(CodeOf([&] { parser.GetFloorNode("\x81", node); }), 0x80070459u);  // no GBK
  ASSERT_TRUE(parser.GetObjTypeNode("1F", GXRM_objType_base::FRAME_BEAM, node));
  EXPECT_EQ(node.parentNode().parentNode().nodeName(), format::kFloor);
  // The global "Type" exists but has no containers: emptied.
  std::string model = Model();
  ASSERT_TRUE(parser.LoadXml(model.erase(model.find("<ObjTypeInfo/>"), 28)));
  parser.GetRootElem(root);
  node = root;
  EXPECT_FALSE(parser.GetObjTypeInfoNode(GXRM_objType_base::FRAME_BEAM, node));
  EXPECT_FALSE(node);
  node = root;
  EXPECT_FALSE(parser.GetObjInstanceNode(GXRM_objType_base::FRAME_BEAM, node));
  EXPECT_FALSE(node);
  // No "Type" of that type, no kind under the floor, no floor: unchanged.
  node = root;
  EXPECT_FALSE(parser.GetObjTypeInfoNode(GXRM_objType_base::SECONDARY_BEAM, node));
  EXPECT_FALSE(parser.GetObjInstanceNode("1F", GXRM_objType_base::SHEAR_WALL, node));
  EXPECT_FALSE(parser.GetObjRootNode("2F", GXRM_obj_base::BEAM, node));
  EXPECT_EQ(node, root);
  // The global kind step is itself a last step: emptied.
  EXPECT_FALSE(parser.GetObjRootNode(GXRM_obj_base::WALL, node));
  EXPECT_FALSE(node);
  for (int bad : {-1, 9, 100}) EXPECT_FALSE(parser.GetObjRootNode(static_cast<Kind>(bad), node)) << bad;
  for (int bad : {-1, 48, 100}) EXPECT_FALSE(parser.GetObjTypeNode(static_cast<Type>(bad), node)) << bad;
}

// kRaised: the pointer error 0x80004003.
enum class Outcome { kMissing, kFound, kRaised, kOtherError };
using Answer = std::pair<Outcome, Node>;

// Names that differ by case, by blanks, or not at all from those of other floors.
const char* const kFloorNames[] = {"1F", "1f", "1F ", " 1F", "", "B1"};
const Type kBeamTypes[] = {GXRM_objType_base::FRAME_BEAM, GXRM_objType_base::SECONDARY_BEAM};
const char* const kContainers[] = {nullptr, format::kObjTypeInfo, format::kObjInstance};

std::vector<Node> ChildrenNamed(const Node& parent, const char* name) {
  std::vector<Node> found;
  if (!parent) return found;
  for (Node n : parent.selectNodes(name)) found.push_back(n);
  return found;
}

// The plain walks from the root, through the public DOM only.
Answer WalkToFloor(const gxrm::dom::Document& doc, const std::string& name) {
  Element root = doc.documentElement();
  if (!root) return {Outcome::kRaised, Node()};
  for (Node floor : root.selectNodes(format::kFloor)) {
    Node key = Element(floor).getAttributeNode(format::kAttFloorName);
    if (!key) return {Outcome::kRaised, Node()};
    if (key.text() == name) return {Outcome::kFound, floor};
  }
  return {Outcome::kMissing, Node()};
}

Answer WalkToGlobalList(const gxrm::dom::Document& doc) {
  Element root = doc.documentElement();
  Node list = root ? root.selectSingleNode(format::kGlobalObjList) : Node();
  return {list ? Outcome::kFound : Outcome::kRaised, list};
}

// From a floor or the global list to its "BEAM" (`type` none), to a type's
// "Type" element (`container` null) or to its container.
Answer WalkDown(const Answer& scope, const Type* type, const char* container) {
  if (scope.first != Outcome::kFound) return scope;
  Node kind = scope.second.selectSingleNode(format::kBeam);
  if (!kind || !type) return {kind ? Outcome::kFound : Outcome::kMissing, kind};
  for (Node t : kind.selectNodes(format::kType)) {
    Node key = Element(t).getAttributeNode(format::kAttTypeName);
    if (!key) return {Outcome::kRaised, Node()};
    if (key.text() != TypeNameOf(*type)) continue;
    Node found = container ? t.selectSingleNode(container) : t;
    return {found ? Outcome::kFound : Outcome::kMissing, found};
  }
  return {Outcome::kMissing, Node()};
}

template <typename Lookup>
Answer Ask(Lookup lookup) {
  IXMLDOMElementPtr node;
  try {
    bool found = lookup(node);
    return {found ? Outcome::kFound : Outcome::kMissing, found ? Node(node) : Node()};
  } catch (const gxrm::DomError& e) {
    return {e.Error() == 0x80004003u ? Outcome::kRaised : Outcome::kOtherError, Node()};
  }
}

Answer AskTypeLevel(TestParser& parser, const char* floor, Type type, const char* container) {
  return Ask([&](IXMLDOMElementPtr& n) {
    if (!container) return floor ? parser.GetObjTypeNode(floor, type, n) : parser.GetObjTypeNode(type, n);
    if (container == format::kObjTypeInfo) {
      return floor ? parser.GetObjTypeInfoNode(floor, type, n) : parser.GetObjTypeInfoNode(type, n);
    }
    return floor ? parser.GetObjInstanceNode(floor, type, n) : parser.GetObjInstanceNode(type, n);
  });
}

// One random change through handles: to the root's children, or below the
// first floor or the global list.
void Mutate(gxrm::dom::Document& doc, std::mt19937& rng) {
  auto pick = [&rng](long n) { return std::uniform_int_distribution<long>(0, n - 1)(rng); };
  auto any = [&](const std::vector<Node>& v) { return v.empty() ? Node() : v[pick(v.size())]; };
  auto floor_name = [&] { return kFloorNames[pick(std::size(kFloorNames))]; };
  auto type_name = [&] { return pick(4) ? TypeNameOf(kBeamTypes[pick(2)]) : std::string("other"); };
  Element root = doc.documentElement();
  if (!root) {
    doc.appendChild(doc.createElement("r"));
    return;
  }
  gxrm::dom::NodeList children = root.childNodes();
  const Node some = children.length() ? children.item(pick(children.length())) : Node();
  Element elem(some);
  Node floor_key = elem ? elem.getAttributeNode(format::kAttFloorName) : Node();
  Node list = root.selectSingleNode(format::kGlobalObjList);
  const Node nested = list ? list.selectSingleNode(format::kFloor) : Node();
  const Node scopes[] = {root.selectSingleNode(format::kFloor), list};
  Node scope = scopes[pick(2)];
  Node elsewhere = any(ChildrenNamed(scopes[0] == scope ? scopes[1] : scopes[0], format::kBeam));
  Node kind = scope ? scope.selectSingleNode(format::kBeam) : Node();
  Node type = any(ChildrenNamed(kind, format::kType)), other = any(ChildrenNamed(kind, format::kType));
  Node container = any(ChildrenNamed(type, format::kObjTypeInfo));
  Node type_key = type ? Element(type).getAttributeNode(format::kAttTypeName) : Node();
  auto new_type = [&] {
    Element made = doc.createElement(format::kType);
    if (pick(5)) made.setAttribute(format::kAttTypeName, type_name());
    if (pick(2)) made.appendChild(doc.createElement(format::kObjTypeInfo));
    if (pick(2)) made.appendChild(doc.createElement(format::kObjInstance));
    return made;
  };
  auto add = [&] {
    Element made = doc.createElement(pick(3) == 0 ? format::kGlobalObjList
                                     : pick(2)    ? format::kFloor
                                                  : "Other");
    if (pick(2)) made.setAttribute(format::kAttFloorName, floor_name());
    if (pick(2)) made.appendChild(doc.createElement(format::kBeam)).appendChild(new_type());
    root.appendChild(made);
  };
  const std::pair<bool, std::function<void()>> changes[] = {
      {true, add},
      {true, add},
      {bool(some), [&] { root.removeChild(some); }},
      {bool(some), [&] { root.appendChild(some); }},  // to the end
      {bool(elem), [&] { elem.setAttribute(format::kAttFloorName, floor_name()); }},
      {bool(floor_key), [&] { floor_key.text(floor_name()); }},
      {list && some && some != list, [&] { list.appendChild(some); }},  // a floor into a nested element
      {bool(nested), [&] { root.appendChild(nested); }},
      {pick(8) == 0, [&] { doc.removeChild(root); }},  // rarely
      {bool(kind), [&] { kind.appendChild(new_type()); }},
      {bool(type), [&] { kind.removeChild(type); }},
      {bool(type), [&] { kind.appendChild(type); }},  // to the end
      {bool(type), [&] { Element(type).setAttribute(format::kAttTypeName, type_name()); }},
      {bool(type_key), [&] { type_key.text(type_name()); }},
      {bool(type),
       [&] { type.appendChild(doc.createElement(pick(2) ? format::kObjInstance : format::kObjTypeInfo)); }},
      {bool(container), [&] { type.removeChild(container); }},
      {container && other, [&] { other.appendChild(container); }},
      {type && elsewhere, [&] { elsewhere.appendChild(type); }},  // to the other list
      {bool(kind), [&] { scope.removeChild(kind); }},
      {scope && !kind, [&] { scope.appendChild(doc.createElement(format::kBeam)).appendChild(new_type()); }},
  };
  const auto& [can, change] = changes[pick(std::size(changes))];
  if (can) change();
}

TEST(Navigation, LookupsAgreeWithAPlainWalkAfterEveryChange) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    TestParser parser;
    ASSERT_TRUE(parser.LoadXml(Model()));
    std::mt19937 rng(seed);
    for (int step = 0; step < 150; ++step) {
      Mutate(parser.Doc(), rng);
      const std::string at = "seed " + std::to_string(seed) + " step " + std::to_string(step);
      for (const char* name : kFloorNames) {
        Answer fast = Ask([&](IXMLDOMElementPtr& n) { return parser.GetFloorNode(name, n); });
        ASSERT_EQ(fast, WalkToFloor(parser.Doc(), name)) << at << " floor '" << name << "'";
      }
      const Answer global = WalkToGlobalList(parser.Doc());
      Answer fast = Ask([&](IXMLDOMElementPtr& n) { return parser.GetObjRootNode(GXRM_obj_base::BEAM, n); });
      ASSERT_EQ(fast, WalkDown(global, nullptr, nullptr)) << at << " global kind";
      const std::pair<const char*, Answer> scopes[] = {{"1F", WalkToFloor(parser.Doc(), "1F")},
                                                       {nullptr, global}};
      for (const auto& [floor, scope] : scopes) {
        for (Type type : kBeamTypes) {
          for (const char* container : kContainers) {
            ASSERT_EQ(AskTypeLevel(parser, floor, type, container), WalkDown(scope, &type, container))
                << at << (floor ? " floor" : " global") << " type " << type << " "
                << (container ? container : "Type");
          }
        }
      }
    }
  }
}

}  // namespace
