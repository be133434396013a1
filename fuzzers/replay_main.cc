// Runs a fuzz target over files, without libFuzzer: the sanitizer build
// uses it to replay each target's corpus, crash reproducers included, as a
// test. Arguments are files or folders (every regular file inside, in name
// order). Exits 1 if no input was found; a failed property aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> Inputs(const char* argument) {
  std::vector<std::filesystem::path> inputs;
  std::filesystem::path path(argument);
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
  } else if (std::filesystem::is_regular_file(path)) {
    inputs.push_back(path);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::filesystem::path& path : Inputs(argv[i])) {
      std::ifstream file(path, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(file)),
                        std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                             bytes.size());
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
