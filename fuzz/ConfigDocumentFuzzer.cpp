// Any bytes as a received configuration document. Refused documents must leave
// the record exactly as it was; accepted ones may change a field only to a value
// that depends on the document alone, which shows up a text that ran over into
// its neighbour even though the whole record stays inside its own memory.
// The checks run on a stack as small as some platforms give their secondary
// threads (256 KiB, scaled like every stack for the sanitizers): anything of ours
// that recurses on the input overflows it here, while the parser runs on the
// stack the reader gives it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "fuzz/FuzzCheck.h"
#include "platform/StackThread.h"

namespace {

using kestrine::config::EncoderConfiguration;
using kestrine::config::FieldKind;
using kestrine::config::RecordField;
using kestrine::fuzz::Require;

// Every byte set, texts full to their last letter: a stray write cannot match it by chance.
EncoderConfiguration Patterned() {
  EncoderConfiguration record;
  std::memset(static_cast<void*>(&record), 0xA5, sizeof record);
  for (const RecordField& field : kestrine::config::RecordFields()) {
    if (field.kind != FieldKind::Text) continue;
    const auto text = kestrine::config::TextField(field, record);
    std::memset(text.data(), 'x', text.size() - 1);
    text.back() = '\0';
  }
  record.configurationRead = 1;
  return record;
}

// A text field holds a terminator and nothing but zeros after it (StoreText's promise).
bool TextFieldsAreSound(const EncoderConfiguration& record, const EncoderConfiguration& start) {
  for (const RecordField& field : kestrine::config::RecordFields()) {
    if (field.kind != FieldKind::Text) continue;
    const auto text = kestrine::config::TextField(field, record);
    if (std::memcmp(text.data(), kestrine::config::TextField(field, start).data(), text.size()) == 0) continue;
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul == nullptr) return false;
    for (auto* at = static_cast<const char*>(nul); at != text.data() + text.size(); ++at) {
      if (*at != '\0') return false;
    }
  }
  return true;
}

bool SameField(const RecordField& field, const EncoderConfiguration& a, const EncoderConfiguration& b) {
  switch (field.kind) {
    case FieldKind::Number:
      return a.*field.number == b.*field.number;
    case FieldKind::Address:
      return a.*field.address == b.*field.address;
    case FieldKind::Text: {
      const auto left = kestrine::config::TextField(field, a);
      const auto right = kestrine::config::TextField(field, b);
      return std::memcmp(left.data(), right.data(), left.size()) == 0;
    }
  }
  return false;
}

constexpr std::size_t kStackBytes = 256 * 1024;

void CheckDocument(std::string_view document) {
  const EncoderConfiguration zeroStart{};
  const EncoderConfiguration patternStart = Patterned();
  EncoderConfiguration fromZero = zeroStart;
  EncoderConfiguration fromPattern = patternStart;

  const int zeroResult = kestrine::config::LoadConfigurationDocument(document, fromZero);
  const int patternResult = kestrine::config::LoadConfigurationDocument(document, fromPattern);
  Require(zeroResult == 0 || zeroResult == 1, "the reader answers 0 or 1");
  Require(zeroResult == patternResult, "acceptance depends on the document only");
  Require(zeroResult == 0 || document.size() <= kestrine::config::kMaxDocumentBytes,
          "no document longer than the protocol carries is taken");
  Require(fromZero.configurationRead == zeroStart.configurationRead &&
              fromPattern.configurationRead == patternStart.configurationRead,
          "the reader leaves configurationRead to its caller");
  if (zeroResult == 0) {
    Require(fromZero == zeroStart && fromPattern == patternStart, "a refused document changes nothing");
    return;
  }
  Require(TextFieldsAreSound(fromZero, zeroStart) && TextFieldsAreSound(fromPattern, patternStart),
          "texts are cut to their field, terminated and zero-filled");
  for (const RecordField& field : kestrine::config::RecordFields()) {
    const bool untouched = SameField(field, fromZero, zeroStart) && SameField(field, fromPattern, patternStart);
    Require(untouched || SameField(field, fromZero, fromPattern), field.name.data());
  }

  // What was read can always be written back within the writer's 10000-byte buffer.
  const std::string written = kestrine::config::BuildConfigurationDocument(fromPattern);
  Require(written.size() < 10000, "the written document fits its buffer");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  kestrine::platform::RunOnStack(kStackBytes, [document] { CheckDocument(document); });
  return 0;
}
