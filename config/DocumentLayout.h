#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kestrine::config {

struct RecordField;

// How a leaf's text stands for its field.
enum class ValueKind { Text, Number, Address, Keyword };

struct KeywordValue {
  std::string_view keyword;
  std::int32_t value;
};

// Exact, case-sensitive words. A value without a word of its own is written as
// `writtenOtherwise`; a word not listed reads as `readOtherwise`, or leaves the field as it was.
struct Keywords {
  std::span<const KeywordValue> known;
  std::string_view writtenOtherwise;
  std::optional<std::int32_t> readOtherwise;
};

// Who writes the document: the manager sending a configuration, or an encoder answering a request.
enum class DocumentWriter { Manager, Encoder };

// One element of the configuration document, in document order. A group has no
// field; its leaves follow it one level deeper. The document is one table for
// every end of the protocol: the reader, the manager's writer and the encoder's.
struct DocumentElement {
  int depth;                   // nesting level, and the tabs that begin its lines
  std::string_view element;    // as the encoder spells it and the reader matches it
  std::string_view field = {};  // the record field a leaf carries, by name; empty for a group
  ValueKind kind = ValueKind::Text;
  const Keywords* keywords = nullptr;
  // What the reader stores for an element without text; nothing when unset.
  std::optional<std::string_view> readWithoutText = std::nullopt;
  // The manager's own ways: another spelling, a text written when the field is
  // empty, escaping (only the names, the texts an operator types freely). An
  // encoder escapes every text, so any record gives well-formed XML.
  std::string_view managerSpelling = {};
  std::string_view managerTextWhenEmpty = {};
  bool managerEscapes = false;
  // Reported by the encoder, never sent by the manager.
  bool encoderReportsOnly = false;

  [[nodiscard]] bool IsGroup() const { return field.empty(); }
};

inline constexpr std::string_view kDocumentDeclaration =
    R"(<?xml version="1.0" encoding="GB2312" standalone="no" ?>)";

// The whole document below the declaration; the first element is the root.
[[nodiscard]] std::span<const DocumentElement> DocumentElements();
// The record field of the leaf at `index`, looked up once (a misspelt name throws on first use).
[[nodiscard]] const RecordField& DocumentElementField(std::size_t index);
// The index of the group a leaf or group at `index` lies in; the root has none (its own index).
[[nodiscard]] std::size_t DocumentElementParent(std::size_t index);

}  // namespace kestrine::config
