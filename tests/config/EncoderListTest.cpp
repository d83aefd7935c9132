#include "config/EncoderList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrine::config {
namespace {

std::vector<std::string> Texts(const std::vector<ListedAddress>& listed) {
  std::vector<std::string> texts;
  for (const ListedAddress& entry : listed) texts.push_back(entry.text);
  return texts;
}

TEST(EncoderList, ASavedListReadsBackAndCommentsBlanksAndLineEndsAreSkipped) {
  const std::vector<std::string> fleet{"10.0.0.1", "10.0.0.12", "192.168.1.20"};
  EXPECT_EQ(Texts(ListedAddresses(EncoderListText(fleet))), fleet);

  const std::vector<ListedAddress> listed =
      ListedAddresses("# site A\r\n\r\n  10.0.0.1 \t# studio\r\n\t\n10.0.0.x\n#10.0.0.9\n10.0.0.2");
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(Texts(listed), (std::vector<std::string>{"10.0.0.1", "10.0.0.x", "10.0.0.2"}));
  EXPECT_EQ(listed[0].line, 3u);
  EXPECT_EQ(listed[1].line, 5u);
  EXPECT_EQ(listed[2].line, 7u);
  EXPECT_TRUE(ListedAddresses("").empty());
}

}  // namespace
}  // namespace kestrine::config
