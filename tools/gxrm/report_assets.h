// report_assets.h: the report page's template, embedded at build time from
// tools/gxrm/report/ (report.html with the markers /*STYLE*/, /*SCRIPT*/ and
// /*DATA*/ for report.css, report.js and the model's JSON).
#pragma once

namespace gxrm::tool::report {
extern const char kHtml[];
extern const char kCss[];
extern const char kJs[];
}  // namespace gxrm::tool::report
