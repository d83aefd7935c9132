// Placeholder until the reader and writer land.
#include "config/ConfigurationDocument.h"

#include "config/EncoderConfiguration.h"

namespace kestrine::config {

int LoadConfigurationDocument(std::string_view, EncoderConfiguration&) { return 0; }
std::string BuildConfigurationDocument(EncoderConfiguration&) { return {}; }
std::string EscapeXmlText(std::string_view text) { return std::string(text); }
std::int32_t ChooseFreePmtPid(const EncoderConfiguration&) { return 20; }

}  // namespace kestrine::config
