// GXRMmodel.h: a loaded GXRM model to query and change in place, in UTF-8.
//
// The host interface (CGXRMreader, CGXRMwriter, the records) reads and writes
// whole models in GBK and keeps ids empty when reading. A Model is for people
// and scripts that receive a file and want to look at it and fix it: it finds
// components by a query (docs/query.md), reads and changes their attributes,
// names and ids, adds, removes and moves them, and saves the file with its
// layout kept, so that an edit changes only the lines it touches.
//
//     gxrm::Model model = gxrm::Model::Load("building.gxrm");
//     for (gxrm::Component& c : model.Select("type=框架柱 floor=第1层 objAtt.材质=C30"))
//       c.Set("objAtt.材质", "C35");
//     model.Save("building.gxrm");
//
// Every text is UTF-8. A Model and its Components share one document: a
// Component stays valid while its element is in the document (also after a
// move), and raises ModelError once it has been removed. One Model is used
// from one thread at a time.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../catalogue/CGXRMobjBase.h"
#include "../catalogue/CGXRMobjTypeBase.h"
#include "../core/GXRMapi.h"
#include "../core/GXRMdom.h"

namespace gxrm {

/// Base of every error of the model interface (a removed component used, a
/// value XML cannot carry, ...).
class GXRM_API ModelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A query or key that cannot be understood; what() names the term or key.
class GXRM_API QueryError : public ModelError {
 public:
  using ModelError::ModelError;
};

/// A well-formed document that is no GXRM model; what() names the root found.
class GXRM_API FormatError : public ModelError {
 public:
  /// The message and the name of the root element found.
  FormatError(const std::string& message, std::string root) : ModelError(message), root_(std::move(root)) {}
  const std::string& Root() const noexcept { return root_; }  ///< the root element's name

 private:
  std::string root_;
};

/// A file that cannot be read or is not well-formed XML: where and why.
class GXRM_API LoadError : public ModelError {
 public:
  /// The file and why it could not be loaded.
  LoadError(std::string path, dom::ParseError error);
  const std::string& Path() const noexcept { return path_; }        ///< the file, as given
  const dom::ParseError& Where() const noexcept { return error_; }  ///< line, column, reason

 private:
  std::string path_;
  dom::ParseError error_;
};

/// A floor name that the model has no "Floor" for (Python: KeyError).
class GXRM_API UnknownFloorError : public ModelError {
 public:
  using ModelError::ModelError;
};

/// rename_floor to a name another floor already has (Python: ValueError).
class GXRM_API FloorExistsError : public ModelError {
 public:
  using ModelError::ModelError;
};

/// (name, value) pairs of one record, in file order.
using Pairs = std::vector<std::pair<std::string, std::string>>;

/// A component to add: an instance or a type definition, as the writer lays
/// them out. `lists` pairs a list name (objAtt, objGeoAtt, objSection for an
/// instance; TypeClassAtt, TypeClassGeoAtt, TypeClassSection,
/// TypeClassSpecialtyAtt for a type definition) with its records, in order.
/// `rules` (type definitions only) are XML elements as text, written under
/// the rule holder in order when the type is added to a floor; as with the
/// writer, a type added to the global list gets no rules.
struct ComponentRecord {
  GXRM_objType_base::Type type = GXRM_objType_base::TYPE_NONE;    ///< the catalogue type
  bool is_type = false;                                           ///< a type definition, not an instance
  std::string name;                                               ///< the name attribute's value
  std::string id;                                                 ///< the id attribute's value
  std::vector<std::pair<std::string, std::vector<Pairs>>> lists;  ///< (list name, records) in order
  std::vector<std::string> rules;  ///< rule elements as XML text (type definitions)
};

class Model;
class Component;
struct ModelState;

/// One attribute of a component's record, as the document holds it.
struct AttributeText {
  std::string_view name;   ///< the attribute's name
  std::string_view value;  ///< its value
};

/// A component's records, as ComponentView::ReadRecords hands them out: the
/// whole component in one call. Its texts point into the document and are
/// valid while it is unchanged.
struct RecordsText {
  /// One record: its list and where its attributes end.
  struct Record {
    int list;    ///< its list's place among the component's lists, in the writer's order
    size_t end;  ///< one past its last attribute in `attributes`
  };
  std::vector<Record> records;            ///< every record of every list, in document order
  std::vector<AttributeText> attributes;  ///< the records' attributes, back to back
};

/// A read-only look at one component for reading whole models quickly (the
/// Python package, the tool): no handle, no copies. Valid only during the
/// Model::Visit callback that hands it out.
class GXRM_API ComponentView {
 public:
  const char* Id() const;                ///< "" when absent
  const char* Name() const;              ///< "" when absent
  GXRM_objType_base::Type Type() const;  ///< the catalogue type of its "Type" element
  bool IsType() const;                   ///< a type definition, not an instance
  const std::string& Floor() const;      ///< "" for the global list
  /// Its floor's place in Model::Floors() (floors may share a name); -1
  /// for the global list.
  int FloorIndex() const;
  /// Calls visit(list_name, record_index, attribute, value) for every
  /// attribute of every record of every list, in document order; a record
  /// without attributes is reported once with null attribute and value.
  void ForEachAttribute(const std::function<void(const char* list, int record, const char* name,
                                                 const char* value)>& visit) const;
  /// Fills `out` (emptied first, its room reused) with every record of
  /// every list. The list places follow the writer: objAtt, objGeoAtt,
  /// objSection for an instance; TypeClassAtt, TypeClassGeoAtt,
  /// TypeClassSection, TypeClassSpecialtyAtt for a type definition.
  void ReadRecords(RecordsText& out) const;
  /// The component as a Component, to keep or edit.
  Component Handle() const;

 private:
  friend class Model;
  ComponentView(const ModelState& state, const void* element, const std::string& floor, int floor_index,
                GXRM_objType_base::Type type, bool is_type);
  const ModelState& state_;
  const void* element_;
  const std::string& floor_;
  int floor_index_;
  GXRM_objType_base::Type type_;
  bool is_type_;
};

/// One instance or type definition in a model.
class GXRM_API Component {
 public:
  /// Each of these raises ModelError once the component has been removed.
  std::string Id() const;                 ///< the id attribute, "" when absent
  std::string Name() const;               ///< the name attribute, "" when absent
  void SetId(const std::string& id);      ///< sets the id attribute
  void SetName(const std::string& name);  ///< sets the name attribute
  GXRM_objType_base::Type Type() const;   ///< the catalogue type of its "Type" element
  GXRM_obj_base::Kind Kind() const;       ///< the kind of that type
  std::string Floor() const;              ///< the floor's name; "" for the global list
  bool IsType() const;                    ///< a type definition, not an instance

  /// The value of KEY (LIST.ATTR) from the first record of LIST holding ATTR;
  /// nullopt when none does. A key that is no LIST.ATTR of this component's
  /// lists raises QueryError.
  std::optional<std::string> Get(const std::string& key) const;
  /// Sets KEY where Get finds it, else appends it to the first record of the
  /// list, creating that record when the list is empty.
  void Set(const std::string& key, const std::string& value);
  /// Removes ATTR from every record of LIST; false when none had it. The
  /// keys "name" and "id" remove the component's name or id attribute.
  bool Remove(const std::string& key);
  /// Copies of the records of one list (a list name as in keys), in order.
  std::vector<Pairs> Records(const std::string& list_name) const;
  /// The element underneath, for readers of what the model does not cover
  /// (a type definition's rules).
  dom::Element Element() const;
  /// True when both are instances or both type definitions, with the same
  /// attributes in the same order and, list by list, the same records in the
  /// same order, byte for byte. A type definition's rules are not compared.
  /// Far cheaper than comparing Records: the way to skip unchanged components.
  bool SameContent(const Component& other) const;

  /// True when both stand for the same element.
  bool operator==(const Component& other) const;
  bool operator!=(const Component& other) const { return !(*this == other); }  ///< not the same element

 private:
  friend class Model;
  friend class ComponentView;
  Component(std::shared_ptr<ModelState> state, dom::Element element);
  std::shared_ptr<ModelState> state_;
  dom::Element element_;
};

/// How a model is read.
struct ModelLoadOptions {
  /// Keep the white space between elements, so that a save changes only the
  /// lines an edit touches. A model that is only read (compared, reported)
  /// may drop it: a faster load. A line feed alone at the start of an
  /// element (one per element in a file the library wrote) is kept as a mark
  /// on the element, not as a text node: Document() shows no node for it.
  bool keep_layout = true;
  /// Read on the calling thread alone, for a caller that loads several
  /// files side by side and so keeps the processors busy itself.
  bool one_thread = false;
};

/// A loaded model.
class GXRM_API Model {
 public:
  /// Loads a file, keeping its layout unless told otherwise. Raises
  /// LoadError for a file that cannot be read or is not well-formed,
  /// FormatError for a document whose root is no GXRM root.
  static Model Load(const std::string& path, const ModelLoadOptions& options = {});
  /// As Load, from the bytes of a file already read (standard input, a
  /// download); `name` stands for the file in the errors' messages.
  static Model Parse(std::string_view bytes, const std::string& name, const ModelLoadOptions& options = {});

  /// The format version from the root's name ("1.0").
  std::string Version() const;
  /// Floor names in file order ("Floor" elements).
  std::vector<std::string> Floors() const;

  /// Every component the query selects, in file order (global list first,
  /// then floors in file order). "" selects every instance. Raises QueryError
  /// naming the offending term.
  std::vector<Component> Select(const std::string& query = "") const;
  /// Calls visit for every component the query selects, in the order of
  /// Select, without making Components: the fast way to read a whole model.
  /// The model must not change during the walk.
  void Visit(const std::string& query, const std::function<void(const ComponentView&)>& visit) const;
  /// Every instance and type definition with that id, in file order.
  std::vector<Component> ById(const std::string& id) const;

  /// Adds a component last in its list on that floor ("" for the global
  /// list), laid out as the writer lays it out; kind and "Type" elements that
  /// are missing are made as the writer makes them. Raises UnknownFloorError
  /// for an unknown floor, QueryError for a type no catalogue has or a list
  /// the component cannot have, ModelError for a rule that is no element,
  /// DomError 0x80070057 for a name or value XML cannot carry (nothing is
  /// added then).
  Component Add(const ComponentRecord& record, const std::string& floor = "");
  /// Takes the component out of the model; later use of it raises ModelError.
  void Remove(Component& component);
  /// Moves the component last into its list on that floor ("" global list).
  void Move(Component& component, const std::string& floor);
  /// Renames a "Floor" and its floor information ("FInfo002") together.
  /// Raises UnknownFloorError, FloorExistsError, or ModelError for "".
  void RenameFloor(const std::string& old_name, const std::string& new_name);

  /// Saves safely (whole or not at all): the loaded bytes come back unchanged
  /// when nothing was edited and the file was written by this library.
  /// Raises DomError with the save codes.
  void Save(const std::string& path) const;
  /// The document as UTF-8 XML text, as Save writes it.
  std::string ToString() const;

  /// The document underneath, for readers of sections the model does not
  /// cover (project sections, cross-sections, rules). Its elements carry
  /// the kept line feeds that start them as marks, not as text nodes.
  dom::Document Document() const;

 private:
  explicit Model(std::shared_ptr<ModelState> state);
  std::shared_ptr<ModelState> state_;
};

/// True when the trees under two elements, of one document or of two, hold
/// the same elements, attributes in the same order, text, comments and
/// processing instructions, byte for byte, leaving out blank text; true for
/// two empty handles. Far cheaper than walking the trees through handles:
/// the way to skip a whole object list that did not change.
GXRM_API bool SameTree(const dom::Node& a, const dom::Node& b);

}  // namespace gxrm
