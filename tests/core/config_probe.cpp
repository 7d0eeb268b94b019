// Prints what the library finds about its own directory and version, and the
// messages it shows, so that a test can run it beside a copy of the library.
#include <cstdio>
#include <cstring>

#include "core/CGXRMfileParser.h"
#include "core/GXRMerror.h"
#include "writer/CGXRMwriter.h"
#include "core/GXRMmessage.h"
#include "core/GXRMtext.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--default-handler") != 0) {
    gxrm::SetMessageHandler([](const CString& text, unsigned style) {
      std::printf("message 0x%X %s\n", style, gxrm::ToUtf8(text).c_str());
    });
  }
  std::printf("path %s\n", gxrm::ToUtf8(CGXRMfileParser::GetModulePath()).c_str());
  CGXRMfileParser parser;
  std::printf("version [%s]\n", gxrm::ToUtf8(parser.GetGXRMversion()).c_str());
  if (argc > 1 && std::strcmp(argv[1], "--create") == 0) {
    CGXRMwriter writer;
    CGXRMnode header;
    try {
      writer.CreateGXRMinstance(header);
    } catch (const gxrm::DomError& e) {
      std::printf("error 0x%X\n", e.Error());
    }
    IXMLDOMElementPtr root;
    writer.GetRootElem(root);
    std::printf("root %s\n", root ? root.nodeName().c_str() : "none");
  }
  return 0;
}
