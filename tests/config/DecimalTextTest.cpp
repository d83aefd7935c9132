#include "config/DecimalText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string_view>

namespace kestrine::config {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct AtoiCase {
  std::string_view text;
  std::int32_t expected;
};

void PrintTo(const AtoiCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class AtoiTest : public ::testing::TestWithParam<AtoiCase> {};

TEST_P(AtoiTest, ReadsLikeTheCLibrary) { EXPECT_EQ(Atoi(GetParam().text), GetParam().expected) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Blanks, AtoiTest,
                         ::testing::Values(AtoiCase{"", 0}, AtoiCase{"   ", 0}, AtoiCase{" \t\n\v\f\r42", 42},
                                           AtoiCase{"4 2", 4}, AtoiCase{"\2407", 0}));
INSTANTIATE_TEST_SUITE_P(Signs, AtoiTest,
                         ::testing::Values(AtoiCase{"-30", -30}, AtoiCase{"+30", 30}, AtoiCase{"- 30", 0},
                                           AtoiCase{"+-3", 0}, AtoiCase{"--3", 0}, AtoiCase{"-", 0}, AtoiCase{"-0", 0},
                                           AtoiCase{"007", 7}));
INSTANTIATE_TEST_SUITE_P(TrailingJunk, AtoiTest,
                         ::testing::Values(AtoiCase{"12abc", 12}, AtoiCase{"abc12", 0}, AtoiCase{"3.9", 3},
                                           AtoiCase{"0x1F", 0}, AtoiCase{"1e3", 1}, AtoiCase{"true", 0}));
INSTANTIATE_TEST_SUITE_P(Saturation, AtoiTest,
                         ::testing::Values(AtoiCase{"2147483647", kMax}, AtoiCase{"2147483648", kMax},
                                           AtoiCase{"-2147483648", kMin}, AtoiCase{"-2147483649", kMin},
                                           AtoiCase{"99999999999999999999999999", kMax},
                                           AtoiCase{"-99999999999999999999999999", kMin},
                                           AtoiCase{"00000000000000000000000000012", 12}));

TEST(AtoiTest, StopsAtTheEndOfTheViewNotAtATerminator) {
  constexpr std::string_view digits = "12345";
  EXPECT_EQ(Atoi(digits.substr(0, 2)), 12);
}

TEST(FormatDecimalTest, WritesSignOnlyForNegatives) {
  EXPECT_EQ(FormatDecimal(0), "0");
  EXPECT_EQ(FormatDecimal(-30), "-30");
  EXPECT_EQ(FormatDecimal(548), "548");
  EXPECT_EQ(FormatDecimal(kMin), "-2147483648");
  EXPECT_EQ(FormatDecimal(kMax), "2147483647");
}

}  // namespace
}  // namespace kestrine::config
