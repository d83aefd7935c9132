#include "platform/FileReplace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Utf8Path.h"
#include "support/Wine.h"

namespace kestrine::platform {
namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kestrine-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
};

TEST_F(FileReplaceTest, ReplacesTheWholeFileAndLeavesNoTemporary) {
  const fs::path file = dir_ / "in.xml";
  ASSERT_TRUE(ReplaceFile(file, std::string(5000, 'a'), FileAccess::Shared));
  ASSERT_TRUE(ReplaceFile(file, std::string_view("short\r\n\0x", 9), FileAccess::Shared));
  EXPECT_EQ(Read(file), std::string("short\r\n\0x", 9));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

TEST_F(FileReplaceTest, OwnerOnlyFilesAreReadableByTheOwnerAlone) {
  if (test::UnderWine()) GTEST_SKIP() << test::kWineKeepsNoAccessList;
  const fs::path file = dir_ / "out.xml";
  ASSERT_TRUE(ReplaceFile(file, "shared", FileAccess::Shared));
  EXPECT_FALSE(IsOwnerOnly(file));
  ASSERT_TRUE(ReplaceFile(file, "secret", FileAccess::OwnerOnly));  // the old file's permissions do not carry over
  EXPECT_TRUE(IsOwnerOnly(file));
  EXPECT_EQ(Read(file), "secret");
}

TEST_F(FileReplaceTest, NamesAreTakenAsUtf8) {
  const auto utf8Name = [](const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
  };
  const std::string name = "\xE7\xBC\x96\xE7\xA0\x81\xE5\x99\xA8-\xC3\xB6.xml";  // 编码器-ö.xml
  ASSERT_TRUE(ReplaceFile(dir_ / PathFromUtf8(name), "x", FileAccess::Shared));
  EXPECT_EQ(utf8Name(fs::directory_iterator(dir_)->path()), name);
  EXPECT_EQ(PathFromUtf8(name), fs::path(u8"\u7F16\u7801\u5668-\u00F6.xml"));
}

TEST_F(FileReplaceTest, AnUnwritablePlaceFailsWithoutTouchingAnything) {
  std::error_code reason;
  EXPECT_FALSE(ReplaceFile(dir_ / "missing" / "in.xml", "x", FileAccess::Shared, &reason));
  EXPECT_EQ(reason, std::errc::no_such_file_or_directory) << reason.message();
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
}  // namespace kestrine::platform
