// Component types and instances: the bulk of a file.
//
// Navigation finds the container through the DOM handles; its children are
// then read through element views, which avoids a node list and a handle per
// element. Calculation rules are handed out as real handles on the reader's
// own elements.
#include <cstring>
#include <string>

#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "core/GXRMviewImpl.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"
#include "reader/GXRMreadText.h"

using gxrm::dom::detail::ElementView;
namespace format = gxrm::format;

namespace {

// A child element name and the record list its elements feed.
struct ListSlot {
  const char* name;
  std::vector<CGXRMnode>* list;
};

template <size_t N>
void ReadLists(ElementView parent, const ListSlot (&slots)[N]) {
  for (ElementView c : parent.ChildElements()) {
    for (const ListSlot& slot : slots) {
      if (!c.Is(slot.name)) continue;
      gxrm::reader::ReadAttributes(c, slot.list->emplace_back());
      break;
    }
  }
}

// Handles on the rule elements of the first "TypeClassCalRule", up to the
// first child that is no element.
void ReadTypeRules(const IXMLDOMElementPtr& container, ElementView type_class, CGXRMobjType& record) {
  for (ElementView rule : type_class.FirstChild(format::kTypeClassCalRule).LeadingChildElements()) {
    record.AppendCalRule(rule.Handle(container));
  }
}

// The rest of a record, after its name.
void ReadBody(const IXMLDOMElementPtr& container, ElementView elem, CGXRMobjType& record) {
  const ListSlot slots[] = {{format::kTypeClassAtt, &record.MutableAttList()},
                            {format::kTypeClassGeoAtt, &record.MutableGeoAttList()},
                            {format::kTypeClassSection, &record.MutableSectionList()},
                            {format::kTypeClassSpecialtyAtt, &record.MutableSpAttList()}};
  ReadLists(elem, slots);
  ReadTypeRules(container, elem, record);
}

void ReadBody(const IXMLDOMElementPtr& /*container*/, ElementView elem, CGXRMobj& record) {
  const ListSlot slots[] = {{format::kObjAtt, &record.MutableAttList()},
                            {format::kObjGeoAtt, &record.MutableGeoAttList()},
                            {format::kObjSection, &record.MutableSectionList()}};
  ReadLists(elem, slots);
}

// The element each record stands in, and the attribute that names it.
template <typename Record>
struct RecordForm;
template <>
struct RecordForm<CGXRMobjType> {
  static constexpr const char* kElement = format::kTypeClass;
  static constexpr const char* kName = format::kAttClassName;
};
template <>
struct RecordForm<CGXRMobj> {
  static constexpr const char* kElement = format::kInstance;
  static constexpr const char* kName = format::kAttObjName;
};

// Calls `visit(element, name)` for each record element of the container, in
// order; raises 0x80004003 (kErrPointer) at one that lacks its name attribute.
template <typename Record, typename Visit>
void ForEachRecord(const IXMLDOMElementPtr& container, Visit&& visit) {
  for (ElementView c : ElementView::Of(container).ChildElements()) {
    if (!c.Is(RecordForm<Record>::kElement)) continue;
    const char* name = c.Attribute(RecordForm<Record>::kName);
    if (!name) gxrm::ThrowMissingKey(c.Name(), RecordForm<Record>::kName);
    visit(c, name);
  }
}

template <typename Record>
void AppendRecords(const IXMLDOMElementPtr& container, GXRM_objType_base::Type type,
                   std::vector<Record>& records) {
  ForEachRecord<Record>(container, [&](ElementView c, const char* name) {
    Record record(gxrm::FromUtf8(name), type);
    ReadBody(container, c, record);
    records.push_back(std::move(record));
  });
}

// Appends the records of the container `locate` finds; false, nothing
// appended, when it finds none. Each record is complete before it is
// appended, so a walk stopped by a DOM error leaves only whole records.
template <typename Locate, typename Record>
bool ReadContainer(Locate locate, GXRM_objType_base::Type type, std::vector<Record>& records) {
  IXMLDOMElementPtr container;
  if (!locate(container)) return false;
  AppendRecords(container, type, records);
  return true;
}

// The number of records the container `locate` finds holds; 0 without it.
template <typename Record, typename Locate>
size_t CountContainer(Locate locate) {
  IXMLDOMElementPtr container;
  if (!locate(container)) return 0;
  size_t count = 0;
  ForEachRecord<Record>(container, [&](ElementView, const char*) { ++count; });
  return count;
}

}  // namespace

size_t gxrm::CountObjTypes(CGXRMreader& reader, const CString* floorName, GXRM_objType_base::Type type) {
  return CountContainer<CGXRMobjType>([&](IXMLDOMElementPtr& c) {
    return floorName ? reader.GetObjTypeInfoNode(*floorName, type, c) : reader.GetObjTypeInfoNode(type, c);
  });
}

size_t gxrm::CountObjs(CGXRMreader& reader, const CString* floorName, GXRM_objType_base::Type type) {
  return CountContainer<CGXRMobj>([&](IXMLDOMElementPtr& c) {
    return floorName ? reader.GetObjInstanceNode(*floorName, type, c) : reader.GetObjInstanceNode(type, c);
  });
}

bool CGXRMreader::GetObjTypeList(const CString& floorName, GXRM_objType_base::Type type,
                                 std::vector<CGXRMobjType>& types) {
  return ReadContainer([&](IXMLDOMElementPtr& c) { return GetObjTypeInfoNode(floorName, type, c); }, type,
                       types);
}

bool CGXRMreader::GetObjTypeList(GXRM_objType_base::Type type, std::vector<CGXRMobjType>& types) {
  return ReadContainer([&](IXMLDOMElementPtr& c) { return GetObjTypeInfoNode(type, c); }, type, types);
}

bool CGXRMreader::GetObjList(const CString& floorName, GXRM_objType_base::Type type,
                             std::vector<CGXRMobj>& objs) {
  return ReadContainer([&](IXMLDOMElementPtr& c) { return GetObjInstanceNode(floorName, type, c); }, type,
                       objs);
}

bool CGXRMreader::GetObjList(GXRM_objType_base::Type type, std::vector<CGXRMobj>& objs) {
  return ReadContainer([&](IXMLDOMElementPtr& c) { return GetObjInstanceNode(type, c); }, type, objs);
}

bool CGXRMreader::ChangeObjName(const CString& floorName, GXRM_objType_base::Type type,
                                const CString& oldName, const CString& newName) {
  IXMLDOMElementPtr container;
  if (!GetObjInstanceNode(floorName, type, container)) return false;
  // Converted before the walk, so that a name that is no GBK changes nothing.
  std::string new_name = gxrm::GbkToUtf8(newName, "new instance name");
  for (const gxrm::dom::Node& node : container.selectNodes(format::kInstance)) {
    gxrm::dom::Node name = IXMLDOMElementPtr(node).getAttributeNode(format::kAttObjName);
    if (!name) gxrm::ThrowMissingKey(format::kInstance, format::kAttObjName);
    if (gxrm::FromUtf8(name.text()) == oldName) name.text(new_name);
  }
  return true;
}
