// GXRMreadText.h: turning the document's UTF-8 text into the hosts' records.
//
// Internal to the reader. These read the pugixml tree behind the DOM handles
// and never change it.
#pragma once

#include <pugixml.hpp>

#include "core/CGXRMnode.h"
#include "core/GXRMapi.h"
#include "core/GXRMtextImpl.h"

namespace gxrm::reader {

// Replaces the record by the element's attributes, in the element's order,
// as GBK (FromUtf8 copies ASCII text without a conversion).
inline void ReadAttributes(pugi::xml_node element, CGXRMnode& record) {
  CGXRMnode::AttMap pairs;
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    pairs.emplace_back(FromUtf8(a.name()), FromUtf8(a.value()));
  }
  record.SetAttMap(std::move(pairs));
}

}  // namespace gxrm::reader
