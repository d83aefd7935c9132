#include "config/NestingGuard.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrine::config {
namespace {

// How deep TinyXML really nested the elements it built (also those of a parse it gave up on).
std::size_t TreeDepth(const TiXmlNode& node) {
  std::size_t deepest = 0;
  for (const TiXmlNode* child = node.FirstChild(); child != nullptr; child = child->NextSibling()) {
    deepest = std::max(deepest, TreeDepth(*child));
  }
  return node.ToElement() != nullptr ? deepest + 1 : deepest;
}

std::size_t TinyXmlDepth(const std::string& text) {
  TiXmlDocument document;
  const std::string padded = text + std::string(4, '\0');
  document.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  return TreeDepth(document);
}

// Each of these ends a node somewhere a plain scan of '<' and '>' would not.
TEST(NestingGuardTest, CountsExactlyTheLevelsTinyXmlBuilds) {
  using namespace std::string_literals;
  const std::vector<std::string> documents{
      "<a><b><c/></b><d></d></a>",
      "<?x><a><a><a>",
      "<?xml version='1.0' ?><a>",
      "<!DOCTYPE t [<!ELEMENT a>]><a><b></b></a>",
      "<a><!-- <b><c> --><![CDATA[<d><e>]]><f/></a>",
      "<a x=\"/>\" y='>'><b z=1><c/></b></a>",
      "<a>&#x<b>x1;<c></c></a>",
      "<a>&#<b>#12;<c></c></a>",
      "<a>&#x<b>;</a>",
      "<a>\xE0</a><b></b></a>",
      "<?xml version=\"1.0\" encoding=\"GB2312\"?><a>\xE0</a><b></b></a>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE0</a><b></b></a>",
      "<?xml version=\"1.0\"?><a>\xE0</a><b></b></a>",
      "<?xml encoding=\"utf&#45;8x\"?><a>\xE0</a><b></b></a>",
      "<?xml encoding=\"UTF&8\"?><a>\xE0</a><b></b></a>",
      "\xEF\xBB\xBF<a>\xE0</a><b></b></a>",
      "<?xml encoding='UTF-8'?><a>\xEF\xBB\xBF<b>\xE0\0<c></c></b></a>"s,
      "<a>\0<b></b></a>"s,
      "<a></a > <b><c></c ></b>",
      "<a></ab><b><c></c></b>",
      "<a>text <b>more</b> < c></a><d><e>",
      "<a b='1' b='2'><c><d></d></c></a>",
  };
  for (const std::string& document : documents) {
    EXPECT_EQ(ParserNestingDepth(document, 100), TinyXmlDepth(document)) << document;
  }
}

TEST(NestingGuardTest, StopsCountingPastTheLimit) {
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<a>";
  EXPECT_EQ(ParserNestingDepth(deep, 64), 65u);
  EXPECT_TRUE(NestsDeeperThan(deep, 64));
  EXPECT_FALSE(NestsDeeperThan("<a><b/></a>", 2));
}

}  // namespace
}  // namespace kestrine::config
