// GXRMdomCheckedImpl.h: reading a large document with pugixml, checked by expat.
//
// pugixml builds a tree several times faster than a builder fed by expat's
// events, but it accepts documents expat refuses. So pugixml parses the
// whole document in place on the calling thread while expat checks it on
// two: the calling thread the part before a division, a second thread the
// rest, read as the parallel way reads it (see GXRMdomParallelImpl.h). The
// tree is kept only when expat accepts every part, and is then made what
// expat's events build. Anything else is left to the strict way, which
// gives the document's error. On one thread, the check comes first.
#pragma once

#include <cstddef>

namespace gxrm::dom::detail {

struct DocImpl;
class Source;

// How a checked load ended: its tree kept; the document left to the strict
// way (refused, with a document type declaration, or unreadable), or to
// another way that keeps its layout.
enum class CheckedLoad { kLoaded, kRefused, kOtherWay };

// Loads the UTF-8 `source` into `impl`, which holds nothing, checking it
// divided at `split`; nothing is built unless it is loaded. With
// `keep_layout`, only a document whose blank text between tags is a line
// feed alone starting an element's content (a file the library wrote) is
// taken: the line feeds become marks on their elements.
CheckedLoad LoadChecked(DocImpl& impl, const Source& source, size_t split, bool keep_layout);
// As LoadChecked, on the calling thread alone: the text is read once,
// expat checks it whole, then pugixml parses it.
CheckedLoad LoadCheckedOnOneThread(DocImpl& impl, const Source& source, bool keep_layout);

}  // namespace gxrm::dom::detail
