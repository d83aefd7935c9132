// The reading direction of the configuration document: TinyXML builds the tree,
// the document's element table says which element fills which field and how its text converts.
#include <tinyxml.h>

#include <system_error>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "config/ConfigurationDocument.h"
#include "config/DecimalText.h"
#include "config/DocumentFields.h"
#include "config/DocumentLayout.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"
#include "platform/StackThread.h"

namespace kestrine::config {
namespace {

// TinyXML in UTF-8 mode steps over a whole multi-byte sequence even when the
// text ends inside it, and then reads up to three bytes past the terminator.
constexpr std::size_t kParserOverreadPadding = 4;

// TinyXML recurses once per level of nesting, building the tree and again
// destroying it, and every level it enters takes at least three bytes ("<a>"):
// the longest document nests at most 3333 deep, with the document itself one more.
constexpr std::size_t kDeepestNesting = kMaxDocumentBytes / 3 + 1;
// Measured with TinyXML 2.6.2 (Debian 12, x86-64): 224 bytes of stack per level
// (5 KiB at the top), whether this code is built by g++ -O2 or by clang with
// the sanitizers, which leave the system library as it is; 448 bytes with the
// library itself built under AddressSanitizer. Room for more than twice the
// plain figure covers another build of the library, and a sanitizer build
// multiplies it again (KESTRINE_STACK_SCALE).
constexpr std::size_t kStackBytesPerLevel = 512;
constexpr std::size_t kParseStackBytes = kDeepestNesting * kStackBytesPerLevel + 64 * 1024;

// "\r\n" and a lone "\r" become "\n", on a NUL-padded copy the parser can run off safely.
std::string NormalisedForParsing(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + kParserOverreadPadding);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      text += bytes[i];
      continue;
    }
    text += '\n';
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  text.append(kParserOverreadPadding, '\0');
  return text;
}

std::optional<std::int32_t> KeywordValueOf(const Keywords& keywords, std::string_view text) {
  for (const KeywordValue& known : keywords.known) {
    if (known.keyword == text) return known.value;
  }
  return keywords.readOtherwise;
}

struct LeafReading {
  FieldReading reading;
  bool stored;  // a value went into the field
};

// Stores the leaf's value as the reader always has, and says what the element held.
LeafReading ApplyLeaf(const DocumentElement& element, const RecordField& field, const char* text,
                      EncoderConfiguration& record) {
  if (text == nullptr) {
    if (!element.readWithoutText) return {FieldReading::WithoutText, false};
    StoreText(TextField(field, record), *element.readWithoutText);
    return {FieldReading::Stored, true};
  }
  switch (element.kind) {
    case ValueKind::Text:
      StoreText(TextField(field, record), text);
      break;
    case ValueKind::Number:
      record.*field.number = Atoi(text);
      break;
    case ValueKind::Address: {
      const std::optional<std::uint32_t> address = platform::ParseInetAddr(text);
      record.*field.address = address.value_or(platform::kInaddrNone);
      return {address ? FieldReading::Stored : FieldReading::Unconverted, true};
    }
    case ValueKind::Keyword: {
      const std::optional<std::int32_t> value = KeywordValueOf(*element.keywords, text);
      if (!value) return {FieldReading::Unconverted, false};
      record.*field.number = *value;
      break;
    }
  }
  return {FieldReading::Stored, true};
}

bool Names(const DocumentElement& element, std::string_view name, DocumentWriter writtenBy) {
  if (element.element == name) return true;
  return writtenBy == DocumentWriter::Manager && !element.managerSpelling.empty() && element.managerSpelling == name;
}

// The children of the group at `group`: nested groups of its own, and its leaves.
void ApplyGroup(const TiXmlElement& groupElement, std::size_t group, DocumentWriter writtenBy,
                EncoderConfiguration& record, DocumentFields& fields) {
  const std::span<const DocumentElement> elements = DocumentElements();
  for (const TiXmlElement* child = groupElement.FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    const std::string_view name = child->ValueStr();
    for (std::size_t i = group + 1; i < elements.size(); ++i) {
      if (DocumentElementParent(i) != group || !Names(elements[i], name, writtenBy)) continue;
      if (elements[i].IsGroup()) {
        ApplyGroup(*child, i, writtenBy, record, fields);
      } else {
        // The element's text as the parser delivers it: entities decoded, blanks condensed.
        const LeafReading leaf = ApplyLeaf(elements[i], DocumentElementField(i), child->GetText(), record);
        fields.Note(DocumentElementField(i), leaf.reading, leaf.stored);
      }
      break;
    }
  }
}

// Parses and fills; runs on the parse thread, where the whole tree lives and dies.
int ParseAndApply(const std::string& text, DocumentWriter writtenBy, EncoderConfiguration& record,
                  DocumentFields& fields) {
  TiXmlDocument document;
  // Unknown encoding lets the declaration decide: GB2312 makes TinyXML pass every byte through as it is.
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  if (document.Error()) return 0;  // a half-built tree is not a document
  const TiXmlElement* root = document.RootElement();
  constexpr std::size_t kRoot = 0;
  if (root == nullptr || root->ValueStr() != DocumentElements()[kRoot].element) return 0;

  EncoderConfiguration filled = record;
  DocumentFields found;
  ApplyGroup(*root, kRoot, writtenBy, filled, found);
  record = filled;
  fields = found;
  return 1;
}

}  // namespace

int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record) {
  DocumentFields fields;
  return LoadConfigurationDocument(documentBytes, record, fields);
}

int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record, DocumentFields& fields) {
  return LoadConfigurationDocument(documentBytes, DocumentWriter::Encoder, record, fields);
}

int LoadManagerDocument(std::string_view documentBytes, EncoderConfiguration& record) {
  DocumentFields fields;
  return LoadConfigurationDocument(documentBytes, DocumentWriter::Manager, record, fields);
}

int LoadConfigurationDocument(std::string_view documentBytes, DocumentWriter writtenBy, EncoderConfiguration& record,
                              DocumentFields& fields) {
  if (documentBytes.empty() || documentBytes.size() > kMaxDocumentBytes) return 0;
  const std::string text = NormalisedForParsing(documentBytes);
  try {
    return platform::RunOnStack(kParseStackBytes, [&] { return ParseAndApply(text, writtenBy, record, fields); });
  } catch (const std::system_error&) {
    return 0;  // no thread to parse on: the document is not taken rather than parsed on a stack too small for it
  }
}

}  // namespace kestrine::config
