// Keystroke match: random keys on a random layout.
//
// Input: one byte that picks the layout (an id libhangul knows, or an
// unknown one, which selects "2"), then the keys, each byte taken below
// 0x80 as a request's text would be.
//
// Properties: the linear segmentation equals the one that composes every
// trial again from the start; there is one key count for each composed
// character; every count is at least 1; the context is left with no
// syllable in progress, and the same keys segment the same way twice.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/hangul_match.h"
#include "engine/input_context.h"
#include "engine/testing/segment_oracle.h"
#include "fuzzers/fuzz_support.h"

namespace {

constexpr size_t kKeyboardCount =
    sizeof(InputContext::kKeyboards) / sizeof(InputContext::kKeyboards[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const size_t choice = input.Byte() % (kKeyboardCount + 1);
  const std::string layout =
      choice < kKeyboardCount ? InputContext::kKeyboards[choice] : "xyz";
  std::string keys = input.Rest();
  for (char& key : keys) key = static_cast<char>(key & 0x7F);

  InputContext context;
  context.SelectKeyboard(layout);
  const hangul_match::Segmentation fast = hangul_match::Segment(&context, keys);
  FUZZ_CHECK(fast.lengths.size() == fast.characters.size());
  for (unsigned int length : fast.lengths) FUZZ_CHECK(length >= 1);
  FUZZ_CHECK(context.Preedit()[0] == 0);

  const hangul_match::Segmentation again =
      hangul_match::Segment(&context, keys);
  FUZZ_CHECK(again.characters == fast.characters);
  FUZZ_CHECK(again.lengths == fast.lengths);

  const hangul_match::Segmentation slow =
      hangul_match::testing::SegmentByRecomposing(&context, keys);
  FUZZ_CHECK(slow.characters == fast.characters);
  FUZZ_CHECK(slow.lengths == fast.lengths);
  return 0;
}
