// Text at the library's boundary: GBK in, UTF-8 inside, nothing lost.
#include "core/GXRMtext.h"

#include <gtest/gtest.h>

#include "TestUtil.h"

namespace {

using gxrm_test::CodeOf;

TEST(GXRMtext, AsciiPassesAndChineseTravelsBothWays) {
  const std::string ascii = "GXRMheader_v1.0 <&>\t\n";
  EXPECT_EQ(gxrm::ToUtf8(ascii), ascii);
  EXPECT_EQ(gxrm::FromUtf8(ascii), ascii);
  EXPECT_EQ(gxrm::ToUtf8("\xBC\xF4\xC1\xA6\xC7\xBD"), "剪力墙");
  EXPECT_EQ(gxrm::FromUtf8("板.楼梯"), "\xB0\xE5.\xC2\xA5\xCC\xDD");
}

TEST(GXRMtext, CharactersOutsideGbkUseFourByteSequences) {
  for (const char* utf8 : {"€", "😀", "𠀀", "ｱ", "\u00e9"}) {
    EXPECT_EQ(gxrm::ToUtf8(gxrm::FromUtf8(utf8)), utf8) << utf8;
  }
  EXPECT_EQ(gxrm::FromUtf8("😀"), "\x94\x39\xFC\x36");
}

TEST(GXRMtext, InvalidTextRaisesNoUnicodeMapping) {
  for (const char* bad_gbk : {"\x81", "a\x81\x20", "\xFF\xFF"}) {
    EXPECT_EQ(CodeOf([&] { gxrm::ToUtf8(bad_gbk); }), 0x80070459u) << "GBK " << bad_gbk;
  }
  for (const char* bad_utf8 : {"\xC3", "\xC3\x28", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80"}) {
    EXPECT_EQ(CodeOf([&] { gxrm::FromUtf8(bad_utf8); }), 0x80070459u) << "UTF-8 " << bad_utf8;
  }
}

}  // namespace
