#pragma once

#include <array>
#include <cstdint>

#include "config/RecordFields.h"

namespace kestrine::config {

// What a configuration document said of one record field, as the reader took it.
enum class FieldReading : std::uint8_t {
  Absent,       // no element for it: the field kept its value
  Stored,       // its text converted and stored (or, for a text element without text, the reader's default)
  WithoutText,  // an element without text, which stores nothing
  Unconverted,  // text that does not convert: an address that does not parse (stored as 255.255.255.255,
                // as inet_addr gives it), a keyword with no value of its own (stores nothing)
};

// Which fields a document carried, so that copying it onto another record can leave alone what it
// did not carry. Only an element that stores a value hides an earlier one: the field holds that value.
class DocumentFields final {
 public:
  // Nothing carried, as before a document is read.
  DocumentFields() = default;
  // Every field carried, as a whole record does.
  [[nodiscard]] static DocumentFields Every();

  [[nodiscard]] FieldReading Of(const RecordField& field) const { return readings_[RecordFieldIndex(field)]; }
  [[nodiscard]] bool Carries(const RecordField& field) const { return Of(field) == FieldReading::Stored; }

  // One element as the reader met it; `stored`: the reader put a value into the field.
  void Note(const RecordField& field, FieldReading reading, bool stored);

 private:
  std::array<FieldReading, kRecordFieldCount> readings_{};
};

}  // namespace kestrine::config
