#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "net/DeviceOperations.h"
#include "net/Timings.h"
#include "sim/EncoderFleet.h"
#include "support/RecordingFeedback.h"

namespace kestrine::test {

// Short waits for loopback: an encoder that is there answers well within them.
inline net::Timings ShortTimings() {
  net::Timings timings;
  timings.exchangeDelay = std::chrono::milliseconds(5);
  timings.receiveTimeout = std::chrono::milliseconds(1000);  // generous: a loaded CI host must not look like a silent encoder
  timings.connectTimeout = std::chrono::milliseconds(3000);
  timings.rereadPause = std::chrono::milliseconds(20);
  timings.discoveryWindow = std::chrono::milliseconds(400);
  return timings;
}

// A simulated fleet on loopback, the operations pointed at it, and a folder of
// its own for "in.xml" and "out.xml".
class SimulatedEncoderTest : public ::testing::Test {
 protected:
  explicit SimulatedEncoderTest(std::size_t count = 1) : count_(count) {}

  void SetUp() override {
    fleet_ = std::make_unique<sim::EncoderFleet>(sim::FleetOptions::ForTests(count_));
    std::string error;
    ASSERT_TRUE(fleet_->Start(error)) << error;
    settings_.controlPort = Encoder().ControlPort();
    settings_.discoveryPort = fleet_->DiscoveryPort();
    settings_.timings = ShortTimings();
    entry_.ipAddr = Encoder().Address();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("kestrine-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }

  void TearDown() override {
    fleet_.reset();
    std::filesystem::remove_all(folder_);
  }

  sim::SimulatedEncoder Encoder(std::size_t index = 0) { return fleet_->Encoder(index); }
  net::DeviceOperations Operations() { return net::DeviceOperations(settings_, feedback_, folder_); }
  [[nodiscard]] std::filesystem::path FileInFolder(std::string_view name) const { return folder_ / name; }

  std::size_t count_;
  std::unique_ptr<sim::EncoderFleet> fleet_;
  net::NetworkSettings settings_;
  RecordingFeedback feedback_;
  config::EncoderConfiguration entry_;
  config::PageFlags flags_;
  std::filesystem::path folder_;
};

}  // namespace kestrine::test
