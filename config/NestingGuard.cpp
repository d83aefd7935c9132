// A dry run of TinyXML 2.6's parse that builds nothing and only counts how deep
// elements nest. Every helper below takes the same steps over the same bytes as
// the TinyXML function of the same name, including its oddities (a declaration
// or unknown node ends at the first '>', an entity such as "&#x<a>x1;" swallows
// what lies between, a UTF-8 lead byte swallows the bytes after it, even a
// '<' or a NUL), because a scan that tokenizes differently can be walked around.
// Character classes come from the same C library calls TinyXML makes, so the
// locale affects both alike.
#include "config/NestingGuard.h"

#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace kestrine::config {
namespace {

// TinyXML decides UTF-8 or not once, from a byte order mark or the first
// declaration; until then it behaves as with a legacy encoding.
enum class Encoding { Undecided, Utf8, Legacy };

enum class NodeKind { None, Declaration, Comment, CData, Unknown, Element };

// TinyXML's lead-byte table: the bytes a UTF-8 character takes, 1 for anything invalid.
int Utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

bool IsWhiteSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\n' || c == '\r'; }

// Every byte from 127 up counts as a letter.
bool IsAlpha(unsigned char byte) { return byte < 127 ? std::isalpha(byte) != 0 : true; }
bool IsAlphaNum(unsigned char byte) { return byte < 127 ? std::isalnum(byte) != 0 : true; }

int ToLower(int v, Encoding encoding) {
  if (encoding == Encoding::Utf8) return v < 128 ? std::tolower(v) : v;
  return std::tolower(v);
}

bool IsZeroWidthUtf8(const unsigned char* u) {
  return u[0] == 0xEF && ((u[1] == 0xBB && u[2] == 0xBF) || (u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF)));
}

const char* SkipWhiteSpace(const char* p, Encoding encoding) {
  if (p == nullptr || *p == '\0') return nullptr;
  if (encoding == Encoding::Utf8) {
    while (*p != '\0') {
      if (IsZeroWidthUtf8(reinterpret_cast<const unsigned char*>(p))) {
        p += 3;
      } else if (IsWhiteSpace(*p)) {
        ++p;
      } else {
        break;
      }
    }
  } else {
    while (*p != '\0' && IsWhiteSpace(*p)) ++p;
  }
  return p;
}

// Whether `tag` starts at p.
bool StringEqual(const char* p, const char* tag, bool ignoreCase, Encoding encoding) {
  if (p == nullptr || *p == '\0') return false;
  const char* q = p;
  if (ignoreCase) {
    while (*q != '\0' && *tag != '\0' && ToLower(*q, encoding) == ToLower(*tag, encoding)) {
      ++q;
      ++tag;
    }
  } else {
    while (*q != '\0' && *tag != '\0' && *q == *tag) {
      ++q;
      ++tag;
    }
  }
  return *tag == '\0';
}

const char* ReadName(const char* p, std::string* name) {
  if (p == nullptr || *p == '\0' || !(IsAlpha(static_cast<unsigned char>(*p)) || *p == '_')) return nullptr;
  const char* start = p;
  while (*p != '\0' &&
         (IsAlphaNum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '-' || *p == '.' || *p == ':')) {
    ++p;
  }
  if (name != nullptr) name->assign(start, static_cast<std::size_t>(p - start));
  return p;
}

// Digits back from just before the ';' to the marker; anything else fails the entity.
bool DigitsBackTo(const char* q, char marker, unsigned base, unsigned long& ucs) {
  unsigned mult = 1;
  for (; *q != marker; --q) {
    const char c = *q;
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    ucs += mult * digit;
    mult *= base;
  }
  return true;
}

// The value only matters before the encoding is decided, when a character
// reference stands for one byte.
const char* GetEntity(const char* p, std::string* value) {
  if (p[1] == '#' && p[2] != '\0') {
    const bool hex = p[2] == 'x';
    if (hex && p[3] == '\0') return nullptr;
    const char* semicolon = std::strchr(p + (hex ? 3 : 2), ';');
    if (semicolon == nullptr) return nullptr;
    unsigned long ucs = 0;
    if (!DigitsBackTo(semicolon - 1, hex ? 'x' : '#', hex ? 16 : 10, ucs)) return nullptr;
    if (value != nullptr) value->push_back(static_cast<char>(ucs));
    return semicolon + 1;
  }
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
      {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
  for (const auto& [name, letter] : kEntities) {
    if (std::strncmp(name.data(), p, name.size()) == 0) {
      if (value != nullptr) value->push_back(letter);
      return p + name.size();
    }
  }
  return p + 1;  // an unrecognised '&' is skipped and adds nothing to the value
}

const char* GetChar(const char* p, std::string* value, Encoding encoding) {
  const int length = encoding == Encoding::Utf8 ? Utf8Length(static_cast<unsigned char>(*p)) : 1;
  if (length == 1) {
    if (*p == '&') return GetEntity(p, value);
    if (value != nullptr) value->push_back(*p);
    return p + 1;
  }
  return p + length;  // also past a NUL inside the sequence
}

const char* ReadText(const char* p, std::string* text, bool trimWhiteSpace, const char* endTag, Encoding encoding) {
  if (!trimWhiteSpace || !TiXmlBase::IsWhiteSpaceCondensed()) {
    while (p != nullptr && *p != '\0' && !StringEqual(p, endTag, false, encoding)) p = GetChar(p, text, encoding);
  } else {
    p = SkipWhiteSpace(p, encoding);
    while (p != nullptr && *p != '\0' && !StringEqual(p, endTag, false, encoding)) {
      p = IsWhiteSpace(*p) ? p + 1 : GetChar(p, nullptr, encoding);
    }
  }
  if (p != nullptr && *p != '\0') p += std::strlen(endTag);
  return (p != nullptr && *p != '\0') ? p : nullptr;
}

const char* ParseAttribute(const char* p, std::string* name, std::string* value, Encoding encoding) {
  p = SkipWhiteSpace(p, encoding);
  if (p == nullptr || *p == '\0') return nullptr;
  p = ReadName(p, name);
  if (p == nullptr || *p == '\0') return nullptr;
  p = SkipWhiteSpace(p, encoding);
  if (p == nullptr || *p != '=') return nullptr;
  p = SkipWhiteSpace(p + 1, encoding);
  if (p == nullptr || *p == '\0') return nullptr;
  if (*p == '\'') return ReadText(p + 1, value, false, "'", encoding);
  if (*p == '"') return ReadText(p + 1, value, false, "\"", encoding);
  for (; *p != '\0' && !IsWhiteSpace(*p) && *p != '/' && *p != '>'; ++p) {
    if (*p == '\'' || *p == '"') return nullptr;
    if (value != nullptr) value->push_back(*p);
  }
  return p;
}

// `encodingName` receives the value of the last encoding attribute.
const char* ParseDeclaration(const char* p, std::string& encodingName, Encoding encoding) {
  p = SkipWhiteSpace(p, encoding);
  if (p == nullptr || !StringEqual(p, "<?xml", true, encoding)) return nullptr;
  p += 5;
  encodingName.clear();
  while (p != nullptr && *p != '\0') {
    if (*p == '>') return p + 1;
    p = SkipWhiteSpace(p, encoding);
    if (p == nullptr || *p == '\0') break;
    if (StringEqual(p, "version", true, encoding) || StringEqual(p, "standalone", true, encoding)) {
      p = ParseAttribute(p, nullptr, nullptr, encoding);
    } else if (StringEqual(p, "encoding", true, encoding)) {
      encodingName.clear();
      p = ParseAttribute(p, nullptr, &encodingName, encoding);
    } else {
      while (*p != '\0' && *p != '>' && !IsWhiteSpace(*p)) ++p;
    }
  }
  return nullptr;
}

const char* ParseComment(const char* p, Encoding encoding) {
  p = SkipWhiteSpace(p, encoding);
  if (!StringEqual(p, "<!--", false, encoding)) return nullptr;
  p += 4;
  while (*p != '\0' && !StringEqual(p, "-->", false, encoding)) ++p;
  return *p != '\0' ? p + 3 : p;
}

const char* ParseCData(const char* p, Encoding encoding) {
  if (!StringEqual(p, "<![CDATA[", false, encoding)) return nullptr;
  p += 9;
  while (*p != '\0' && !StringEqual(p, "]]>", false, encoding)) ++p;
  return ReadText(p, nullptr, false, "]]>", encoding);
}

const char* ParseUnknown(const char* p, Encoding encoding) {
  p = SkipWhiteSpace(p, encoding);
  if (p == nullptr || *p != '<') return nullptr;
  ++p;
  while (*p != '\0' && *p != '>') ++p;
  return *p == '>' ? p + 1 : p;
}

// Text inside an element: up to the next '<' as TinyXML steps, which stays in place.
const char* ParseText(const char* p, Encoding encoding) {
  p = ReadText(p, nullptr, true, "<", encoding);
  return (p != nullptr && *p != '\0') ? p - 1 : nullptr;
}

NodeKind Identify(const char* p, Encoding encoding) {
  p = SkipWhiteSpace(p, encoding);
  if (p == nullptr || *p != '<') return NodeKind::None;
  if (StringEqual(p, "<?xml", true, encoding)) return NodeKind::Declaration;
  if (StringEqual(p, "<!--", false, encoding)) return NodeKind::Comment;
  if (StringEqual(p, "<![CDATA[", false, encoding)) return NodeKind::CData;
  if (StringEqual(p, "<!", false, encoding)) return NodeKind::Unknown;
  if (IsAlpha(static_cast<unsigned char>(p[1])) || p[1] == '_') return NodeKind::Element;
  return NodeKind::Unknown;
}

class DepthScan final {
 public:
  explicit DepthScan(std::size_t limit) : limit_(limit) {}

  std::size_t Run(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) encoding_ = Encoding::Utf8;  // a byte order mark
    p = SkipWhiteSpace(p, encoding_);
    while (p != nullptr && *p != '\0' && !TooDeep()) {
      const NodeKind kind = Identify(p, encoding_);
      if (kind == NodeKind::None) break;
      p = kind == NodeKind::Element ? ParseElement(p) : ParseOther(kind, p);
      if (kind == NodeKind::Declaration && encoding_ == Encoding::Undecided) DecideEncoding();
      p = SkipWhiteSpace(p, encoding_);
    }
    return deepest_;
  }

 private:
  enum class Opening { Failed, Empty, WithContent };

  [[nodiscard]] bool TooDeep() const { return deepest_ > limit_; }

  void DecideEncoding() {
    const char* name = declaredEncoding_.c_str();  // a NUL ends it, as it ends TinyXML's
    const bool utf8 = *name == '\0' || StringEqual(name, "UTF-8", true, Encoding::Undecided) ||
                      StringEqual(name, "UTF8", true, Encoding::Undecided);
    encoding_ = utf8 ? Encoding::Utf8 : Encoding::Legacy;
  }

  const char* ParseOther(NodeKind kind, const char* p) {
    switch (kind) {
      case NodeKind::Declaration:
        return ParseDeclaration(p, declaredEncoding_, encoding_);
      case NodeKind::Comment:
        return ParseComment(p, encoding_);
      case NodeKind::CData:
        return ParseCData(p, encoding_);
      case NodeKind::Unknown:
        return ParseUnknown(p, encoding_);
      case NodeKind::None:
      case NodeKind::Element:
        break;
    }
    return nullptr;
  }

  // An element's tag up to its '>' or "/>"; `endTag` receives "</name".
  Opening ReadOpening(const char*& p, std::string& endTag) const {
    p = SkipWhiteSpace(p, encoding_);
    if (p == nullptr || *p != '<') return Opening::Failed;
    std::string name;
    p = ReadName(SkipWhiteSpace(p + 1, encoding_), &name);
    if (p == nullptr || *p == '\0') return Opening::Failed;
    endTag = "</" + name;
    std::vector<std::string> attributes;  // a name given twice fails the element
    for (;;) {
      p = SkipWhiteSpace(p, encoding_);
      if (p == nullptr || *p == '\0') return Opening::Failed;
      if (*p == '/') {
        if (p[1] != '>') return Opening::Failed;
        p += 2;
        return Opening::Empty;
      }
      if (*p == '>') {
        ++p;
        return Opening::WithContent;
      }
      std::string attribute;
      p = ParseAttribute(p, &attribute, nullptr, encoding_);
      if (p == nullptr || *p == '\0') return Opening::Failed;
      if (std::find(attributes.begin(), attributes.end(), attribute) != attributes.end()) return Opening::Failed;
      attributes.push_back(std::move(attribute));
    }
  }

  const char* ReadClosing(const char* p, const std::string& endTag) const {
    if (!StringEqual(p, endTag.c_str(), false, encoding_)) return nullptr;
    p = SkipWhiteSpace(p + endTag.size(), encoding_);
    return (p != nullptr && *p == '>') ? p + 1 : nullptr;
  }

  // TinyXML recurses here (element, its content, the child element); an explicit
  // stack of the open elements' end tags takes the place of its call stack.
  const char* ParseElement(const char* p) {
    std::vector<std::string> open;
    const char* withWhiteSpace = p;
    bool atElement = true;
    for (;;) {
      if (atElement) {
        atElement = false;
        deepest_ = std::max(deepest_, open.size() + 1);
        if (TooDeep()) return nullptr;
        std::string endTag;
        const Opening opening = ReadOpening(p, endTag);
        if (opening == Opening::Failed) return nullptr;
        if (opening == Opening::WithContent) {
          open.push_back(std::move(endTag));
        } else if (open.empty()) {
          return p;
        }
      } else {
        if (p == nullptr || *p == '\0') return nullptr;
        if (*p != '<') {
          p = ParseText(TiXmlBase::IsWhiteSpaceCondensed() ? p : withWhiteSpace, encoding_);
        } else if (StringEqual(p, "</", false, encoding_)) {
          p = ReadClosing(p, open.back());
          if (p == nullptr) return nullptr;
          open.pop_back();
          if (open.empty()) return p;
        } else if (const NodeKind kind = Identify(p, encoding_); kind == NodeKind::Element) {
          atElement = true;
          continue;
        } else {
          p = ParseOther(kind, p);
        }
      }
      withWhiteSpace = p;
      p = SkipWhiteSpace(p, encoding_);
    }
  }

  std::size_t limit_;
  std::size_t deepest_ = 0;
  Encoding encoding_ = Encoding::Undecided;
  std::string declaredEncoding_;
};

// TinyXML may step up to three bytes past the end (a lead byte at the very end);
// these NULs keep both it and this scan inside the buffer.
constexpr std::size_t kPadding = 4;

}  // namespace

std::size_t ParserNestingDepth(std::string_view text, std::size_t limit) {
  std::string padded(text);
  padded.append(kPadding, '\0');
  return DepthScan(limit).Run(padded.c_str());
}

}  // namespace kestrine::config
