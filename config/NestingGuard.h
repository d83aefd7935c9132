#pragma once

#include <cstddef>
#include <string_view>

namespace kestrine::config {

// How deeply TinyXML would nest the elements of `text` (the bytes exactly as they
// are handed to its parser, which reads them as a C string), found without
// running it: the walk follows TinyXML's own tokenization step by step (what it
// takes for a declaration, a comment, an unknown node, a quoted attribute value,
// an entity or a multi-byte character) and so ends every node where TinyXML ends
// it. TinyXML recurses once per level, so a document it would nest too deeply
// must be refused before it runs, on any stack. Counting stops past `limit`
// (the result is then limit + 1). Where TinyXML would stop with an error, the
// count may go on further: such a document is refused anyway.
[[nodiscard]] std::size_t ParserNestingDepth(std::string_view text, std::size_t limit);

[[nodiscard]] inline bool NestsDeeperThan(std::string_view text, std::size_t limit) {
  return ParserNestingDepth(text, limit) > limit;
}

}  // namespace kestrine::config
