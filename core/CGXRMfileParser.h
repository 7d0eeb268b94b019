#pragma once

#include <vector>

#include "../catalogue/CGXRMobjBase.h"
#include "../catalogue/CGXRMobjTypeBase.h"
#include "CGXRMnode.h"
#include "GXRMapi.h"
#include "GXRMdom.h"
#include "GXRMerror.h"

/// CGXRMfileParser: the XML document shared by the writer and the reader.
///
/// Owns a handle on one document: creates it, saves it, hands out its root,
/// builds child elements from element records, finds floors, kinds and types
/// (navigation), and reads the format version from GXRMconfig.ini.
///
/// Copies share one document. Without a document, every operation but
/// creation raises gxrm::DomError 0x80004003; failing DOM operations raise
/// gxrm::DomError with their code. Look-ups that find nothing return false.
class GXRM_API CGXRMfileParser {
 public:
  CGXRMfileParser();
  /// Shares the source's document.
  CGXRMfileParser(const CGXRMfileParser& other);
  /// Shares the source's document; the previous one is released.
  CGXRMfileParser& operator=(const CGXRMfileParser& other);
  ~CGXRMfileParser();

  /// Starts a new empty document; the record is not read here. True, or
  /// raises kErrOutOfMemory when no document can be made.
  virtual bool CreateGXRMinstance(CGXRMnode& header);
  /// Writes the whole document to `path` (GBK). The file is replaced only once
  /// it is completely written.
  void SaveGXRMinstance(const CString& path);
  /// The root element into `root` (empty when there is none yet); true.
  bool GetRootElem(IXMLDOMElementPtr& root);

  /// Appends an element named `name` with the record's attributes, and a
  /// line-feed text node inside it, under `parent`; returns it.
  IXMLDOMElementPtr AddChild(const CString& name, const CGXRMnode& record, IXMLDOMElementPtr parent);
  /// One element per record, in order; returns the last, or an empty handle
  /// for an empty vector (nothing is touched then).
  IXMLDOMElementPtr AddChild(const CString& name, const std::vector<CGXRMnode>& records,
                             IXMLDOMElementPtr parent);

  // Navigation: the first match in document order, exact comparison. The out
  // handle is left unchanged when a step before the last finds nothing.

  /// The "Floor" whose floor name equals `floor`.
  bool GetFloorNode(const CString& floor, IXMLDOMElementPtr& node);
  /// The kind element under that floor.
  bool GetObjRootNode(const CString& floor, GXRM_obj_base::Kind kind, IXMLDOMElementPtr& node);
  /// The kind element of the global object list; `node` receives the result
  /// (empty when missing). Raises 0x80004003 when there is no global list.
  bool GetObjRootNode(GXRM_obj_base::Kind kind, IXMLDOMElementPtr& node);
  /// The "Type" element of that type under that floor, or in the global list.
  ///@{
  bool GetObjTypeNode(const CString& floor, GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  bool GetObjTypeNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  ///@}
  /// The type-definition container of that type; `node` is emptied when the
  /// "Type" element has none.
  ///@{
  bool GetObjTypeInfoNode(const CString& floor, GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  bool GetObjTypeInfoNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  ///@}
  /// The instance container of that type; `node` is emptied when the "Type"
  /// element has none.
  ///@{
  bool GetObjInstanceNode(const CString& floor, GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  bool GetObjInstanceNode(GXRM_objType_base::Type type, IXMLDOMElementPtr& node);
  ///@}

  /// The directory of the library file, with a final '/' (GBK). Throws the
  /// CString "Error" when it cannot be found.
  static CString GetModulePath();
  /// The version in GXRMconfig.ini beside the library (section
  /// "GXRM_Global_Config", key "GXRMversion"), read anew on every call; on
  /// failure the user is told through the message handler and "" returned.
  CString GetGXRMversion();

 protected:
  /// Drops this object's document and starts a new empty one; true when done.
  bool CreateXMLinstance();
  /// Writes the document to `path` (GBK).
  void SaveXMLinstance(const CString& path);

  /// The "Type" of `type` (`container` null) or its child element named
  /// `container`, under `floor` or in the global list when `floor` is null,
  /// without a handle (for the library's own writers); null when not there.
  /// `type_found`, when given, is set when the "Type" element was found.
  pugi::xml_node_struct* FindTypeLevel(const CString* floor, GXRM_objType_base::Type type,
                                       const char* container, bool* type_found = nullptr);

  /// The document handle; empty until a document is created or loaded.
  gxrm::dom::Document m_pDoc;

 private:
  // FindTypeLevel's answer as the handle-based look-ups give it: `node` is
  // set once the "Type" element was found, empty when it lacks the container.
  bool TypeLevelNode(const CString* floor, GXRM_objType_base::Type type, const char* container,
                     IXMLDOMElementPtr& node);
};
