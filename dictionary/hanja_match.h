// The Hanja candidates of a text: the dictionary's entries for every prefix
// of the text, longest prefix first.
#ifndef DICTIONARY_HANJA_MATCH_H_
#define DICTIONARY_HANJA_MATCH_H_

#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"

namespace hanja_match {

// The entries [first, last) of the lookup's list that one prefix found, in
// list order. The iterators are valid until the lookup next changes.
struct Run {
  HanjaLookup::Iterator first;
  HanjaLookup::Iterator last;
  // The length of the prefix, in code points.
  unsigned int matched_length = 0;
};

// The candidates for `text` (UTF-8, read up to its first zero byte), as one
// run per prefix that has entries, longest prefix first: the entries whose
// reading equals the prefix re-encoded from its code points. When `num` is
// not 0 the runs hold at most `num` entries in all, the last run cut short
// if need be. A reading must be the whole prefix: one that merely begins
// the prefix, or lies inside the text, is not found. A text that fails to
// decode (unicode_util::Utf8ToUcs4) has no candidate; a character spelt in
// an overlong form finds its shortest form. No run is empty.
//
// Example: with the entries 대:大, 대:對 and 대한:大韓, "대한민국" gives
// the runs {大韓} (matched length 2) and {大, 對} (1); with num 2, {大韓}
// and {大}.
//
// Work: one decoding of the text, then one narrowing search per prefix
// for as long as some reading begins with the prefix. A long text costs
// little more than its decoding.
std::vector<Run> Match(const HanjaLookup& lookup, const std::string& text,
                       unsigned int num);

}  // namespace hanja_match

#endif  // DICTIONARY_HANJA_MATCH_H_
