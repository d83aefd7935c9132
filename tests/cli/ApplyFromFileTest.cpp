// apply --from with files that are no saved document an encoder could have sent.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Kestrinectl.h"
#include "sim/EncoderFleet.h"
#include "support/HostileDocumentFiles.h"

namespace kestrine::cli {
namespace {

TEST(ApplyFromFile, AFileNoEncoderCouldHaveSentIsAUsageErrorBeforeAnyEncoderIsContacted) {
  sim::EncoderFleet fleet(sim::FleetOptions::ForTests(1));
  std::string error;
  ASSERT_TRUE(fleet.Start(error)) << error;
  sim::SimulatedEncoder encoder = fleet.Encoder(0);
  const test::HostileDocumentFiles hostile(encoder.ConfigurationDocument());
  for (const test::HostileFile& file : hostile.Files()) {
    const std::vector<std::string> args{"kestrinectl", "--port", std::to_string(encoder.ControlPort()), "apply",
                                        encoder.AddressText(), "--password", encoder.Password(), "--from", file.path};
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunKestrinectl(static_cast<int>(argv.size()), argv.data(), out, err), 2) << file.what;
    EXPECT_EQ(err.str(), "kestrinectl: " + file.path + ": cannot be read: " + file.reason + "\n") << file.what;
    EXPECT_TRUE(out.str().empty()) << file.what;
  }
  EXPECT_TRUE(encoder.ReceivedCommands().empty());
}

}  // namespace
}  // namespace kestrine::cli
