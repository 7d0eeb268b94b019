// GXRMreadText.h: turning the document's UTF-8 text into the hosts' records.
//
// Internal to the reader.
#pragma once

#include "core/CGXRMnode.h"
#include "core/GXRMapi.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMviewImpl.h"

namespace gxrm::reader {

// Replaces the record by the element's attributes, in the element's order,
// as GBK (FromUtf8 copies ASCII text without a conversion).
inline void ReadAttributes(dom::detail::ElementView element, CGXRMnode& record) {
  CGXRMnode::AttMap pairs;
  element.ForEachAttribute(
      [&](const char* name, const char* value) { pairs.emplace_back(FromUtf8(name), FromUtf8(value)); });
  record.SetAttMap(std::move(pairs));
}

}  // namespace gxrm::reader
