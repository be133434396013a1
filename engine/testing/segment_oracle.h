// The straightforward segmentation, kept for tests as the oracle of the
// linear one: every trial is composed again from the start.
#ifndef ENGINE_TESTING_SEGMENT_ORACLE_H_
#define ENGINE_TESTING_SEGMENT_ORACLE_H_

#include <string>

#include "engine/hangul_match.h"
#include "engine/input_context.h"

namespace hangul_match {
namespace testing {

// Quadratic in the number of keys: for tests and fuzzers only.
inline Segmentation SegmentByRecomposing(InputContext* context,
                                         const std::string& keys) {
  Segmentation result;
  result.characters = context->Compose(keys);
  const size_t length = keys.size();
  size_t p = 0;
  for (unsigned int character : result.characters) {
    size_t m = 1;
    if (p + 1 < length) {
      for (size_t t = 1;; ++t) {
        Ucs4String trial = context->Compose(keys.substr(p, t));
        if (!trial.empty() && trial[0] == character) {
          m = t;
          break;
        }
        if (p + t + 1 >= length) {
          m = t + 1;
          break;
        }
      }
    }
    result.lengths.push_back(static_cast<unsigned int>(m));
    p += m;
  }
  return result;
}

}  // namespace testing
}  // namespace hangul_match

#endif  // ENGINE_TESTING_SEGMENT_ORACLE_H_
