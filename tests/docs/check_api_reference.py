"""Checks the API reference that `cmake --build BUILD --target docs` wrote:
the main page introduces the library, and every class page shows the include
as hosts write it (GXRMparser/...), never a bare header name.

    check_api_reference.py BUILD/docs/html
"""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r"#include &lt;(?:<a [^>]*>)?([^<&]*)")


def problems(html):
    index = (html / "index.html").read_text(encoding="utf-8")
    found = [f"index.html: the main page does not mention {words}"
             for words in ("Two interfaces", "CGXRMreader", "gxrm::Model", "building_example.cpp") if words not in index]
    pages = [p for p in sorted(html.glob("*.html"))
             if re.match(r"(class|struct)[A-Z_]", p.name) and not p.name.endswith("-members.html")]
    if not pages:
        found.append("no class pages")
    for page in pages:
        includes = INCLUDE.findall(page.read_text(encoding="utf-8"))
        if not includes or any(not i.startswith("GXRMparser/") for i in includes):
            found.append(f"{page.name}: includes {includes}")
    return found


if __name__ == "__main__":
    found = problems(Path(sys.argv[1]))
    print("\n".join(found) or "API reference: main page and includes as hosts write them")
    sys.exit(1 if found else 0)
