#include "engine/hangul_match.h"

namespace hangul_match {
namespace {

// The key count of `target`, whose keys start at `start`. A trial of the
// next t keys composes their commit strings followed by what a flush would
// give, and the preedit after a key equals that flush; so one pass of
// Process over the keys shows the first character of every trial. Once a
// key has committed something, that first character can no longer change.
unsigned int KeyCount(InputContext* context, const std::string& keys,
                      size_t start, unsigned int target) {
  const size_t length = keys.size();
  if (start + 1 >= length) return 1;
  context->Reset();
  Ucs4String committed;
  for (size_t t = 1; start + t <= length - 1; ++t) {
    context->Process(static_cast<unsigned char>(keys[start + t - 1]),
                     &committed);
    unsigned int first = 0;
    if (!committed.empty()) {
      first = committed[0];
      if (first != target) break;  // every longer trial starts the same
    } else {
      first = context->Preedit()[0];
    }
    if (first != 0 && first == target) return static_cast<unsigned int>(t);
  }
  return static_cast<unsigned int>(length - start);
}

}  // namespace

Segmentation Segment(InputContext* context, const std::string& keys) {
  Segmentation result;
  result.characters = context->Compose(keys);
  result.lengths.reserve(result.characters.size());
  size_t position = 0;
  for (unsigned int character : result.characters) {
    unsigned int count = KeyCount(context, keys, position, character);
    result.lengths.push_back(count);
    position += count;
  }
  context->Reset();
  return result;
}

}  // namespace hangul_match
