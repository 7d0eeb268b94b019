#pragma once

#include <vector>

#include "../core/GXRMdom.h"
#include "CGXRMobj.h"

/// CGXRMobjType: one component type definition as host and library exchange it.
///
/// An instance record with its own name and identifier, a list of speciality
/// attribute records and a list of calculation rules. The rules are handles on
/// XML elements: copies of a record share the elements, everything else is
/// copied deeply.
class GXRM_API CGXRMobjType : public CGXRMobj {
 public:
  /// Empty name, id and lists; the type is AXIS_GRID until set.
  CGXRMobjType();
  /// That name, type (and id), with empty lists. Unlike CGXRMobj, the type
  /// stands second here and the id last.
  ///@{
  CGXRMobjType(CString name, GXRM_objType_base::Type type);
  CGXRMobjType(CString name, GXRM_objType_base::Type type, CString id);
  ///@}
  /// Copies share the calculation rules and copy the rest deeply; moves leave the source empty.
  ///@{
  CGXRMobjType(const CGXRMobjType& other);
  CGXRMobjType& operator=(const CGXRMobjType& other);
  CGXRMobjType(CGXRMobjType&& other) noexcept;
  CGXRMobjType& operator=(CGXRMobjType&& other) noexcept;
  ///@}
  ~CGXRMobjType();

  CString GetName() const override;  ///< the type's own name
  CString GetId() const override;    ///< the type's own id

  /// Appends a copy at the end of the speciality-attribute list.
  void AddSpAttNode(CGXRMnode node);
  /// Empties that list and gives its storage back.
  void RemoveSpAttNodes();
  std::vector<CGXRMnode> GetSpAttList() const;  ///< a copy of that list, in order
  int GetSpAttNodeCount() const;                ///< records in that list
  /// All pairs of all speciality-attribute records, in order.
  AttMap GetSpAttMap() const;
  /// The first non-empty value of `name` across the speciality-attribute records.
  CString GetNamedSpAtt(const CString& name) const;

  /// Stores the handle at the end (an empty handle too); the element is shared.
  void AppendCalRule(IXMLDOMElementPtr rule);
  /// Lets go of every stored handle; the elements stay in their document.
  void ClearCalRule();
  /// Number of stored handles, empty ones included.
  int CountCalRule() const;
  /// Copies of the stored handles, in order.
  std::vector<IXMLDOMElementPtr> GetCalRule() const;

  /// The lists without a copy (for the library's own readers and writers).
  ///@{
  const std::vector<CGXRMnode>& SpAttList() const { return m_spAttList; }
  std::vector<CGXRMnode>& MutableSpAttList() { return m_spAttList; }
  const std::vector<IXMLDOMElementPtr>& CalRules() const { return m_calRules; }
  ///@}

 private:
  CString m_name;
  CString m_id;
  std::vector<IXMLDOMElementPtr> m_calRules;
  std::vector<CGXRMnode> m_spAttList;
};
