# Writes OUTPUT: a C++ source holding the report page's template files as
# strings (report::kHtml, kCss, kJs), so the tool needs no files at run time.
set(source "// Generated from tools/gxrm/report/ at build time.\n#include \"report_assets.h\"\n\nnamespace gxrm::tool::report {\n")
foreach(pair "kHtml;report.html" "kCss;report.css" "kJs;report.js")
  list(GET pair 0 name)
  list(GET pair 1 file)
  file(READ ${DIR}/${file} text)
  string(APPEND source "const char ${name}[] = R\"GXRMASSET(${text})GXRMASSET\";\n")
endforeach()
string(APPEND source "}  // namespace gxrm::tool::report\n")
file(WRITE ${OUTPUT}.new "${source}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
