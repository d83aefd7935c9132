// Stands in for libFuzzer where the compiler has none: replays the files and
// folders it is given, then runs seeded random inputs (fresh bytes, and cuts,
// flips and splices of the given files). Same seed, same inputs.
//
//   fuzzer [-runs=N] [-seed=N] [-max_len=N] [FILE|DIR]...
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

Input ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Input(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Collect(const std::filesystem::path& path, std::vector<Input>& inputs) {
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
      if (entry.is_regular_file()) inputs.push_back(ReadWhole(entry.path()));
    }
  } else {
    inputs.push_back(ReadWhole(path));
  }
}

bool Flag(std::string_view argument, std::string_view name, unsigned long long& value) {
  if (!argument.starts_with(name)) return false;
  value = std::stoull(std::string(argument.substr(name.size())));
  return true;
}

Input Mutated(const std::vector<Input>& seeds, std::size_t maxLength, std::mt19937_64& random) {
  const auto below = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(random() % n); };
  Input input;
  if (seeds.empty() || below(4) == 0) {
    input.resize(below(maxLength + 1));
    for (auto& byte : input) byte = static_cast<std::uint8_t>(random());
    return input;
  }
  input = seeds[below(seeds.size())];
  const std::size_t edits = 1 + below(8);
  for (std::size_t i = 0; i < edits; ++i) {
    switch (below(4)) {
      case 0:  // flip a byte
        if (!input.empty()) input[below(input.size())] = static_cast<std::uint8_t>(random());
        break;
      case 1:  // cut short
        input.resize(below(input.size() + 1));
        break;
      case 2: {  // insert a run of one byte
        const std::size_t at = below(input.size() + 1);
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), 1 + below(16),
                     static_cast<std::uint8_t>(random()));
        break;
      }
      default: {  // splice in part of another seed
        const Input& other = seeds[below(seeds.size())];
        const std::size_t from = below(other.size() + 1);
        const std::size_t count = below(other.size() - from + 1);
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(below(input.size() + 1)),
                     other.begin() + static_cast<std::ptrdiff_t>(from),
                     other.begin() + static_cast<std::ptrdiff_t>(from + count));
        break;
      }
    }
  }
  if (input.size() > maxLength) input.resize(maxLength);
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long long runs = 10000;
  unsigned long long seed = 1;
  unsigned long long maxLength = 4096;
  std::vector<Input> seeds;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (Flag(argument, "-runs=", runs) || Flag(argument, "-seed=", seed) || Flag(argument, "-max_len=", maxLength)) {
      continue;
    }
    if (argument.starts_with("-")) continue;  // libFuzzer options this driver does not know
    Collect(argv[i], seeds);
  }
  for (const Input& input : seeds) LLVMFuzzerTestOneInput(input.data(), input.size());
  std::mt19937_64 random(seed);
  for (unsigned long long run = 0; run < runs; ++run) {
    const Input input = Mutated(seeds, static_cast<std::size_t>(maxLength), random);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu files replayed, %llu random inputs run (seed %llu), no failure\n", seeds.size(), runs, seed);
  return 0;
}
