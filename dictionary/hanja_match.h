// The Hanja candidates of a text: the dictionary's entries for every prefix
// of the text, longest prefix first.
#ifndef DICTIONARY_HANJA_MATCH_H_
#define DICTIONARY_HANJA_MATCH_H_

#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"

namespace hanja_match {

struct Candidate {
  // The entry, owned by the lookup; valid until the lookup next changes.
  const HanjaLookup::Item* item = nullptr;
  // The length of the prefix that found the entry, in code points.
  unsigned int matched_length = 0;
};

// The candidates for `text` (UTF-8, read up to its first zero byte): for
// each prefix, longest first, the entries whose reading equals the prefix
// re-encoded from its code points, in list order. At most `num` of them;
// 0 means no limit. A reading must be the whole prefix: one that merely
// begins the prefix, or lies inside the text, is not found. A text that
// fails to decode (unicode_util::Utf8ToUcs4) has no candidate; a
// character spelt in an overlong form finds its shortest form.
//
// Example: with the entries 대:大, 대:對 and 대한:大韓, "대한민국" gives
// 大韓 (matched length 2), 大 (1), 對 (1); with num 2 only 大韓 and 大.
//
// Work: one decoding of the text, then one narrowing search per prefix
// for as long as some reading begins with the prefix. A long text costs
// little more than its decoding.
std::vector<Candidate> Match(const HanjaLookup& lookup, const std::string& text,
                             unsigned int num);

}  // namespace hanja_match

#endif  // DICTIONARY_HANJA_MATCH_H_
