#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/EncoderConfiguration.h"

namespace kestrine::config {

enum class FieldKind { Number, Address, Text };

// One field of the record by its name, for code that walks the record as data
// (printing it, setting a field named on a command line).
struct RecordField {
  std::string_view name;
  FieldKind kind;
  std::int32_t EncoderConfiguration::*number = nullptr;
  std::uint32_t EncoderConfiguration::*address = nullptr;
  std::size_t textOffset = 0;  // texts: where the field lies in the record
  std::size_t textWidth = 0;   // texts: its width, terminator included
};

// The text field a Text entry names.
[[nodiscard]] std::span<char> TextField(const RecordField& field, EncoderConfiguration& record);
[[nodiscard]] std::span<const char> TextField(const RecordField& field, const EncoderConfiguration& record);

// Every field but configurationRead, in record order.
inline constexpr std::size_t kRecordFieldCount = 39;
[[nodiscard]] std::span<const RecordField> RecordFields();
// Where a field stands in RecordFields().
[[nodiscard]] std::size_t RecordFieldIndex(const RecordField& field);
[[nodiscard]] const RecordField* FindRecordField(std::string_view name);

// Numbers in decimal, addresses dotted, texts as stored.
[[nodiscard]] std::string FormatFieldValue(const RecordField& field, const EncoderConfiguration& record);

}  // namespace kestrine::config
