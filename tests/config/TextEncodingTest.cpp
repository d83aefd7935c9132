#include "config/TextEncoding.h"

#include <gtest/gtest.h>

#include "config/EncoderConfiguration.h"
#include "support/Gb18030.h"

namespace kestrine::config {
namespace {

constexpr std::string_view kCctvGb = "\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8";
constexpr std::string_view kCctvUtf8 = "中央电视台";

TEST(TextEncoding, GbTextDecodesAndEncodesBackToTheSameBytes) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  EXPECT_EQ(DecodeGb18030(kCctvGb), std::string(kCctvUtf8));
  EXPECT_EQ(EncodeGb18030(kCctvUtf8), std::string(kCctvGb));
  EXPECT_EQ(DecodeGb18030("DVB-1"), "DVB-1");
  // A character outside GB2312 still has GB18030 bytes (four of them).
  const auto euro = EncodeGb18030("€");
  ASSERT_TRUE(euro.has_value());
  EXPECT_EQ(DecodeGb18030(*euro), "€");
}

TEST(TextEncoding, UndecodableBytesFailStrictlyAndShowAsReplacementsLeniently) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  const std::string broken = std::string("A\xFF") + std::string(kCctvGb.substr(0, 2)) + "\xD6";
  EXPECT_FALSE(DecodeGb18030(broken).has_value());
  EXPECT_EQ(DecodeGb18030Lenient(broken), "A\xEF\xBF\xBD中\xEF\xBF\xBD");
  EXPECT_FALSE(EncodeGb18030("\xC3").has_value());  // not UTF-8
}

TEST(TextEncoding, CutsFallBetweenCharacters) {
  EXPECT_EQ(WholeCharacterPrefix(kCctvGb, 5), 4u);
  EXPECT_EQ(WholeCharacterPrefix(kCctvGb, 6), 6u);
  EXPECT_EQ(WholeCharacterPrefix("ab\x81\x30\x81\x30", 5), 2u);  // a four-byte character
  EXPECT_EQ(WholeCharacterPrefix("ab\xFF\xFF", 3), 3u);           // not characters: one byte each

  // A record field (41 bytes of text) takes whole characters only.
  EncoderConfiguration record{};
  std::string name;
  for (int i = 0; i < 5; ++i) name += kCctvGb;
  StoreText(record.prg_name, "xy" + name);
  EXPECT_EQ(TextOf(record.prg_name), "xy" + name.substr(0, 38));
}

}  // namespace
}  // namespace kestrine::config
