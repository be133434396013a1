// What the fuzz targets share: property checks, a reader that turns the
// fuzzer's bytes into choices, and a capture of the engine's diagnostics.
#ifndef FUZZERS_FUZZ_SUPPORT_H_
#define FUZZERS_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/testing/cerr_capture.h"

// A property of a target. A failure prints the condition and its place and
// aborts, which libFuzzer records as a crash together with the input (and
// which fails the replay test).
#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
                   #condition);                                                \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

namespace fuzzing {

// Reads choices off the front of the input. Past the end every choice is
// 0 and every string is empty, so any input is a complete script.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(size) {}

  bool empty() const { return offset_ == size_; }
  size_t remaining() const { return size_ - offset_; }

  uint8_t Byte() {
    return empty() ? 0 : static_cast<uint8_t>(data_[offset_++]);
  }
  // Up to `count` bytes.
  std::string Take(size_t count) {
    if (count > remaining()) count = remaining();
    std::string bytes(data_ + offset_, count);
    offset_ += count;
    return bytes;
  }
  std::string Rest() { return Take(remaining()); }

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
  size_t offset_ = 0;
};

// The records of `text` between separators; "a,,b" gives "a", "", "b".
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> records;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    records.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return records;
    start = end + 1;
  }
}

// Diagnostics go into a string, so that a target can check them and the
// fuzzer's log stays small.
using velt::testing::CerrCapture;

}  // namespace fuzzing

#endif  // FUZZERS_FUZZ_SUPPORT_H_
