#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine::test {

// Paths an operator's script may hand over as a configuration document, each of
// which a reader without a bound takes whole or waits on for ever.
struct HostileFile {
  std::string what;
  std::string path;
  std::string reason;  // what the refusal says about it
};

class HostileDocumentFiles final {
 public:
  // `document`: a valid configuration document, which the large files are built around.
  explicit HostileDocumentFiles(std::string_view document)
      : dir_(std::filesystem::temp_directory_path() /
             ("kestrine-hostile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(dir_);
    const std::string tooLarge = "larger than 9999 bytes";
    files_.push_back({"50 MB: a valid document and a comment", Padded(document, 50u << 20), tooLarge});
    files_.push_back({"100000 attributes", ManyAttributes(100000), tooLarge});
#ifndef _WIN32  // neither is in Windows' file system
    files_.push_back({"an endless device", "/dev/zero", tooLarge});
    const std::filesystem::path fifo = dir_ / "fifo";
    ::mkfifo(fifo.c_str(), 0600);
    files_.push_back({"a pipe nobody writes to", fifo.string(), "a pipe nothing wrote to within 2 s"});
#endif
  }
  ~HostileDocumentFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  HostileDocumentFiles(const HostileDocumentFiles&) = delete;
  HostileDocumentFiles& operator=(const HostileDocumentFiles&) = delete;

  [[nodiscard]] const std::vector<HostileFile>& Files() const { return files_; }

 private:
  std::string Padded(std::string_view document, std::size_t size) const {
    const std::filesystem::path path = dir_ / "padded.xml";
    std::ofstream out(path, std::ios::binary);
    out << document << "<!--";
    const std::string spaces(1u << 20, ' ');
    for (std::size_t written = document.size() + 7; written < size; written += spaces.size()) out << spaces;
    out << "-->";
    return path.string();
  }

  std::string ManyAttributes(std::size_t count) const {
    const std::filesystem::path path = dir_ / "attributes.xml";
    std::ofstream out(path, std::ios::binary);
    out << "<tavrix";
    for (std::size_t i = 0; i < count; ++i) out << " a" << i << "=\"\"";
    out << "/>";
    return path.string();
  }

  std::filesystem::path dir_;
  std::vector<HostileFile> files_;
};

}  // namespace kestrine::test
