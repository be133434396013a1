// Cutting a composed keystroke text into characters, each with the keys
// that made it.
#ifndef ENGINE_HANGUL_MATCH_H_
#define ENGINE_HANGUL_MATCH_H_

#include <string>
#include <vector>

#include "engine/input_context.h"
#include "unicode/unicode_util.h"

namespace hangul_match {

struct Segmentation {
  Ucs4String characters;              // the composed text, one per entry
  std::vector<unsigned int> lengths;  // keys given to each character
};

// Composes `keys` on the context's layout and gives each composed code
// point k its key count m: keys are handed out from the start in runs, and
// m is the smallest t below the number of keys left for which the next t
// keys alone compose a text that starts with character k; failing that, the
// character takes every key left, and each later one gets 1. Keys that
// compose nothing at the end belong to no character.
// Example, layout "2": "dkssud" gives 안 3, 녕 3; "rk rk" gives 가 2, 가 3.
// Work is linear in the number of keys. Leaves the context empty.
Segmentation Segment(InputContext* context, const std::string& keys);

}  // namespace hangul_match

#endif  // ENGINE_HANGUL_MATCH_H_
