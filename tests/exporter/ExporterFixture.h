#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "exporter/ExporterServer.h"
#include "exporter/ExporterTestTools.h"
#include "sim/EncoderFleet.h"

namespace kestrine::test {

// A simulated fleet on loopback and an exporter in this process that probes it,
// with short waits: the encoders answer at once, so probes take milliseconds.
class ExporterFixture : public ::testing::Test {
 protected:
  void StartFleet(std::size_t count) {
    sim::FleetOptions options = sim::FleetOptions::ForTests(count);
    options.discovery = false;
    fleet_ = std::make_unique<sim::EncoderFleet>(options);
    std::string error;
    ASSERT_TRUE(fleet_->Start(error)) << error;
  }

  void StartExporter(const std::function<void(exporter::ExporterSettings&)>& adjust = {}) {
    exporter::ExporterSettings settings;
    settings.listenPort = 0;
    settings.encoderPort = Encoder(0).ControlPort();
    settings.prober.timings.exchangeDelay = std::chrono::milliseconds(5);
    settings.prober.timings.receiveTimeout = std::chrono::milliseconds(2000);
    settings.maxConcurrent = 8;
    if (adjust) adjust(settings);
    server_ = std::make_unique<exporter::ExporterServer>(settings);
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
  }

  HttpAnswer Get(const std::string& target, const std::map<std::string, std::string>& headers = {}) {
    return HttpGet(server_->Port(), target, headers);
  }
  HttpAnswer Probe(std::size_t index, const std::string& module = "config",
                   const std::map<std::string, std::string>& headers = {}) {
    return Get("/probe?target=" + Address(index) + "&module=" + module, headers);
  }

  sim::SimulatedEncoder Encoder(std::size_t index) { return fleet_->Encoder(index); }
  std::string Address(std::size_t index) { return Encoder(index).AddressText(); }

  std::unique_ptr<sim::EncoderFleet> fleet_;
  std::unique_ptr<exporter::ExporterServer> server_;
};

#define KESTRINE_REQUIRE_PROGRAM(variable, name, package)                                    \
  const std::optional<std::filesystem::path> variable = ::kestrine::test::FindProgram(name); \
  if (!variable) GTEST_SKIP() << name " is not installed (Debian package " package ")"

}  // namespace kestrine::test
