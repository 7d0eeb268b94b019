#pragma once

#include <utility>
#include <vector>

#include "../catalogue/CGXRMobjBase.h"
#include "../catalogue/CGXRMobjTypeBase.h"
#include "../core/CGXRMnode.h"
#include "../core/GXRMapi.h"

/// CGXRMobj: one component instance as host and library exchange it.
///
/// A type, a name, an identifier and three ordered lists of element records:
/// attributes, geometric attributes and sections. A plain value type: copies
/// are deep and nothing is checked.
class GXRM_API CGXRMobj {
 public:
  using AttMap = std::vector<std::pair<CString, CString>>;  ///< (name, value) pairs in order

  /// Empty name, id and lists; the type is AXIS_GRID until set.
  CGXRMobj();
  /// That name (and id) and type, with empty lists.
  ///@{
  CGXRMobj(CString name, GXRM_objType_base::Type type);
  CGXRMobj(CString name, CString id, GXRM_objType_base::Type type);
  ///@}
  /// Copies are deep; moves leave the source empty and spare deep copies in containers.
  ///@{
  CGXRMobj(const CGXRMobj& other);
  CGXRMobj& operator=(const CGXRMobj& other);
  CGXRMobj(CGXRMobj&& other) noexcept;
  CGXRMobj& operator=(CGXRMobj&& other) noexcept;
  ///@}
  ~CGXRMobj();

  virtual CString GetName() const;                    ///< the name, as given
  virtual CString GetId() const;                      ///< the id, as given
  GXRM_objType_base::Type GetType() const;            ///< the component type
  void SetType(const GXRM_objType_base::Type& type);  ///< no check of the value
  /// The kind of the type, from the catalogue; none of the nine for an unknown type.
  GXRM_obj_base::Kind GetKind() const;

  /// Append a copy at the end of the list; no duplicate test.
  ///@{
  void AddAttNode(CGXRMnode node);
  void AddGeoAttNode(CGXRMnode node);
  void AddSection(CGXRMnode node);
  ///@}
  /// Empty the list and give its storage back.
  ///@{
  void RemoveAttNodes();
  void RemoveGeoAttNodes();
  void RemoveSectionNodes();
  ///@}
  /// Copies of the lists, in order.
  ///@{
  std::vector<CGXRMnode> GetAttList() const;
  std::vector<CGXRMnode> GetGeoAttList() const;
  std::vector<CGXRMnode> GetSection() const;
  ///@}
  /// Number of records in the list.
  ///@{
  int GetAttNodeCount() const;
  int GetGeoAttNodeCount() const;
  int GetSectionNodeCount() const;
  ///@}
  /// All pairs of all records of the list, in order; nothing merged.
  ///@{
  AttMap GetAttMap() const;
  AttMap GetGeoAttMap() const;
  AttMap GetSectionMap() const;
  ///@}
  /// The first non-empty value of `name` across the records of the list; "" when none.
  ///@{
  CString GetNamedAtt(const CString& name) const;
  CString GetNamedGeoAtt(const CString& name) const;
  CString GetNamedSectionAtt(const CString& name) const;
  ///@}

  /// The lists without a copy (for the library's own readers and writers).
  ///@{
  const std::vector<CGXRMnode>& AttList() const { return m_attList; }
  const std::vector<CGXRMnode>& GeoAttList() const { return m_geoAttList; }
  const std::vector<CGXRMnode>& SectionList() const { return m_sectionList; }
  std::vector<CGXRMnode>& MutableAttList() { return m_attList; }
  std::vector<CGXRMnode>& MutableGeoAttList() { return m_geoAttList; }
  std::vector<CGXRMnode>& MutableSectionList() { return m_sectionList; }
  ///@}

 protected:
  /// The first non-empty value of `name` across the records of `list`.
  ///@{
  CString GetNamedAttInList(const CString& name, std::vector<CGXRMnode> list) const;
  int GetListCount(const std::vector<CGXRMnode>& list) const;  ///< records in `list`
  ///@}
  /// All pairs of all records of `list`, in order.
  static AttMap Flatten(const std::vector<CGXRMnode>& list);
  /// As GetNamedAttInList, without copying the list.
  static CString FindNamed(const CString& name, const std::vector<CGXRMnode>& list);

 private:
  GXRM_objType_base::Type m_type;
  std::vector<CGXRMnode> m_attList;
  std::vector<CGXRMnode> m_geoAttList;
  std::vector<CGXRMnode> m_sectionList;
  CString m_name;
  CString m_id;
};
