#pragma once

#include <utility>
#include <vector>

#include "GXRMapi.h"

/// CGXRMnode: the attribute set of one XML element, as host and library exchange it.
///
/// An ordered list of (name, value) pairs of GBK strings. Names need not be
/// unique and nothing is checked: the record stores what it is given. It does
/// not carry the element's name; the operation that writes or reads it does.
class GXRM_API CGXRMnode {
 public:
  using AttMap = std::vector<std::pair<CString, CString>>;  ///< (name, value) pairs in order

  CGXRMnode();
  /// Copies are deep; moves leave the source empty and spare deep copies in containers.
  ///@{
  CGXRMnode(const CGXRMnode& other);
  CGXRMnode& operator=(const CGXRMnode& other);
  CGXRMnode(CGXRMnode&& other) noexcept;
  CGXRMnode& operator=(CGXRMnode&& other) noexcept;
  ///@}
  ~CGXRMnode();

  /// Appends the pair at the end; an existing pair of that name stays.
  void AddAtt(const CString& name, const CString& value);
  /// Removes every pair and gives the storage back.
  void ClearAtt();
  /// Number of pairs, duplicates counted.
  int GetAttNum() const;
  /// A copy of the pairs in list order.
  AttMap GetAttMap() const;
  /// Replaces the list by `pairs`, in their order, duplicates included.
  void SetAttMap(AttMap pairs);
  /// Value of the first pair whose name equals `name` byte for byte; "" when none.
  CString GetNamedAtt(const CString& name) const;

  /// The pairs, without a copy (for the library's own readers and writers).
  const AttMap& Atts() const { return m_atts; }

 private:
  AttMap m_atts;
};
