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

// Loads the UTF-8 `source` into `impl`, which holds nothing, checking it
// divided at `split`; false, with nothing built, when the document is to be
// read the strict way: refused, with a document type declaration, or
// unreadable.
bool LoadChecked(DocImpl& impl, const Source& source, size_t split);
// As LoadChecked, on the calling thread alone: expat checks the whole
// document, then pugixml parses it.
bool LoadCheckedOnOneThread(DocImpl& impl, const Source& source);

}  // namespace gxrm::dom::detail
