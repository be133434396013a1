// Text encoding: any bytes through the decoder and any code points through
// the encoder.
//
// Input: one byte that picks a count (0, or a limit inside the text), one
// that picks where to cut the text into a prefix and the rest, then the
// text. The same text, read as little-endian 32-bit values, is the code
// point input of the encoder.
//
// Properties: decoding, encoding and decoding again gives the same code
// points, and encoding them again the same bytes; the encoder never emits
// a zero byte; a count gives what the text cut at that count gives; a
// failure gives an empty result, never a partial one, and a decoded text
// is a prefix of the decoding of any longer text that does not fail;
// decoding writes nothing, and encoding writes exactly one line, naming
// the value, when and only when it fails.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzers/fuzz_support.h"
#include "unicode/unicode_util.h"

namespace {

using fuzzing::CerrCapture;
using unicode_util::Ucs4ToUtf8;
using unicode_util::Utf8ToUcs4;

Ucs4String Decode(const std::string& text) {
  return Utf8ToUcs4(text.c_str(), 0);
}

bool StartsWith(const Ucs4String& text, const Ucs4String& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

void CheckDecoding(const std::string& input, size_t count_choice,
                   size_t cut_choice) {
  CerrCapture capture;
  // The decoder stops at a zero byte; `text` is what it reads.
  const std::string text = input.substr(0, input.find('\0'));
  const Ucs4String decoded = Decode(text);
  FUZZ_CHECK(Utf8ToUcs4(input.data(), 0) == decoded);
  FUZZ_CHECK(Utf8ToUcs4(text.data(), static_cast<unsigned int>(text.size())) ==
             decoded);
  for (unsigned int value : decoded) {
    FUZZ_CHECK(value != 0);
    FUZZ_CHECK(value < 0x80000000u);
  }

  // A count reads what the text cut at the count reads.
  if (!text.empty()) {
    size_t count = 1 + count_choice % text.size();
    FUZZ_CHECK(Utf8ToUcs4(text.data(), static_cast<unsigned int>(count)) ==
               Decode(text.substr(0, count)));
  }

  // Stable round trip, and the encoder's bytes are the shortest forms.
  const std::string encoded = Ucs4ToUtf8(decoded.c_str(), 0);
  FUZZ_CHECK(encoded.find('\0') == std::string::npos);
  FUZZ_CHECK(encoded.empty() == decoded.empty());
  const Ucs4String again = Decode(encoded);
  FUZZ_CHECK(again == decoded);
  FUZZ_CHECK(Ucs4ToUtf8(again.c_str(), 0) == encoded);

  // Never partial: what a prefix decodes to is kept by a longer text unless
  // the longer text fails as a whole.
  const std::string prefix = text.substr(0, cut_choice % (text.size() + 1));
  const Ucs4String head = Decode(prefix);
  if (!decoded.empty()) FUZZ_CHECK(StartsWith(decoded, head));
  if (!head.empty()) {
    // The prefix decoded completely, so a byte that starts no sequence, or
    // a sequence cut off by the end, fails the whole text.
    for (const char* tail : {"\xBE", "\xBF", "\xFE", "\xFF", "\xC3", "\xE1\x84",
                             "\xFD\x80\x80\x80\x80"}) {
      FUZZ_CHECK(Decode(prefix + tail).empty());
    }
  }
  FUZZ_CHECK(capture.text().empty());
}

void CheckEncoding(const std::string& input, size_t count_choice) {
  std::vector<unsigned int> points;
  for (size_t i = 0; i + 4 <= input.size(); i += 4) {
    unsigned int value = 0;
    for (int k = 3; k >= 0; --k) {
      value = (value << 8) | static_cast<unsigned char>(input[i + k]);
    }
    points.push_back(value);
  }
  points.push_back(0);
  // 0 means no limit; otherwise a limit that may lie past the zero.
  const unsigned int count =
      static_cast<unsigned int>(count_choice % (points.size() + 2));

  size_t extent = 0;
  while ((count == 0 || extent < count) && points[extent] != 0) ++extent;
  const unsigned int* bad = nullptr;
  for (size_t i = 0; i < extent && bad == nullptr; ++i) {
    if (points[i] >= 0x80000000u) bad = &points[i];
  }

  CerrCapture capture;
  const std::string encoded = Ucs4ToUtf8(points.data(), count);
  if (bad != nullptr) {
    FUZZ_CHECK(encoded.empty());
    FUZZ_CHECK(capture.text() ==
               "Invalid UCS4 char" + std::to_string(*bad) + "\n");
    return;
  }
  FUZZ_CHECK(capture.text().empty());
  FUZZ_CHECK(encoded.find('\0') == std::string::npos);
  FUZZ_CHECK(Decode(encoded) == Ucs4String(points.data(), extent));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const size_t count_choice = input.Byte();
  const size_t cut_choice = input.Byte();
  const std::string text = input.Rest();
  CheckDecoding(text, count_choice, cut_choice);
  CheckEncoding(text, count_choice);
  return 0;
}
