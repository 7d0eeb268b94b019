// GXRMdomLoadImpl.h: loading with the choices Document::load does not offer.
#pragma once

#include <string>
#include <string_view>

#include "core/GXRMdom.h"

namespace gxrm::dom::detail {

// As Document::load; with `keep_blank_text` the text nodes that hold only
// white space stay in the tree, so that the layout of the file survives a save,
// and the nodes share one copy of each name and each such text.
bool LoadFile(Document& doc, const std::string& path, bool keep_blank_text);
// As LoadFile, from the bytes of a file already read.
bool LoadText(Document& doc, std::string_view bytes, bool keep_blank_text);

}  // namespace gxrm::dom::detail
