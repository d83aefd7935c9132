// The writing direction of the configuration document: the element table's lines
// emitted as text, no XML library. The reading direction is in ConfigurationDocumentReader.cpp.
#include "config/ConfigurationDocument.h"

#include <cstddef>
#include <vector>

#include "config/DecimalText.h"
#include "config/DocumentLayout.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

constexpr std::size_t kTypicalDocumentSize = 2048;

std::string_view KeywordOf(const Keywords& keywords, std::int32_t value) {
  for (const KeywordValue& known : keywords.known) {
    if (known.value == value) return known.keyword;
  }
  return keywords.writtenOtherwise;
}

void AppendText(const DocumentElement& element, std::string_view text, DocumentWriter writer, std::string& out) {
  if (writer == DocumentWriter::Encoder) {
    out += EscapeXmlText(text);
    return;
  }
  if (text.empty()) text = element.managerTextWhenEmpty;
  out += element.managerEscapes ? EscapeXmlText(text) : std::string(text);
}

void AppendValue(std::size_t index, const EncoderConfiguration& record, DocumentWriter writer, std::string& out) {
  const DocumentElement& element = DocumentElements()[index];
  const RecordField& field = DocumentElementField(index);
  switch (element.kind) {
    case ValueKind::Number:
      out += FormatDecimal(record.*field.number);
      break;
    case ValueKind::Address:
      out += platform::FormatIpv4(record.*field.address);
      break;
    case ValueKind::Keyword:
      out += KeywordOf(*element.keywords, record.*field.number);
      break;
    case ValueKind::Text:
      AppendText(element, TextOf(TextField(field, record)), writer, out);
      break;
  }
}

void AppendLineStart(int depth, std::string& out) { out.append(static_cast<std::size_t>(depth), '\t'); }

void AppendClose(const DocumentElement& group, std::string& out) {
  AppendLineStart(group.depth, out);
  out.append("</").append(group.element).append(">\n");
}

// What the manager decides before sending and keeps: the names are never empty, the PMT PID never 0.
void SettleBeforeSending(EncoderConfiguration& record) {
  if (TextOf(record.prg_name).empty()) StoreText(record.prg_name, "DVB");
  if (TextOf(record.prg_provider_name).empty()) StoreText(record.prg_provider_name, "DVB");
  if (record.pmt_pid == 0) record.pmt_pid = ChooseFreePmtPid(record);
}

}  // namespace

std::string WriteConfigurationDocument(const EncoderConfiguration& record, DocumentWriter writer) {
  const std::span<const DocumentElement> elements = DocumentElements();
  std::string document;
  document.reserve(kTypicalDocumentSize);
  document.append(kDocumentDeclaration).append("\n");
  std::vector<const DocumentElement*> open;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const DocumentElement& element = elements[i];
    if (writer == DocumentWriter::Manager && element.encoderReportsOnly) continue;
    for (; !open.empty() && open.back()->depth >= element.depth; open.pop_back()) AppendClose(*open.back(), document);
    AppendLineStart(element.depth, document);
    if (element.IsGroup()) {
      document.append("<").append(element.element).append(">\n");
      open.push_back(&element);
      continue;
    }
    const std::string_view name =
        writer == DocumentWriter::Manager && !element.managerSpelling.empty() ? element.managerSpelling : element.element;
    document.append("<").append(name).append(">");
    AppendValue(i, record, writer, document);
    document.append("</").append(name).append(">\n");
  }
  for (; !open.empty(); open.pop_back()) AppendClose(*open.back(), document);
  return document;
}

std::string BuildConfigurationDocument(EncoderConfiguration& record) {
  SettleBeforeSending(record);
  return WriteConfigurationDocument(record, DocumentWriter::Manager);
}

std::string EscapeXmlText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
        break;
    }
  }
  return escaped;
}

std::int32_t ChooseFreePmtPid(const EncoderConfiguration& record) {
  constexpr std::int32_t kFirst = 20;
  constexpr std::int32_t kNoneFree = 100;
  for (std::int32_t pid = kFirst; pid < kNoneFree; ++pid) {
    if (pid != record.pcr_pid && pid != record.pmt_pid && pid != record.video_pid && pid != record.audio_pid) {
      return pid;
    }
  }
  return kNoneFree;
}

}  // namespace kestrine::config
