#include "config/DocumentFields.h"

namespace kestrine::config {

DocumentFields DocumentFields::Every() {
  DocumentFields every;
  every.readings_.fill(FieldReading::Stored);
  return every;
}

void DocumentFields::Note(const RecordField& field, FieldReading reading, bool stored) {
  FieldReading& noted = readings_[RecordFieldIndex(field)];
  if (stored || noted == FieldReading::Absent) noted = reading;
}

}  // namespace kestrine::config
