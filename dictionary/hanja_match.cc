#include "dictionary/hanja_match.h"

#include <algorithm>
#include <string_view>

#include "unicode/unicode_util.h"

namespace hanja_match {
namespace {

typedef HanjaLookup::Iterator Iterator;

// The entries of one prefix: [first, last), found by `length` code points.
struct Exact {
  Iterator first;
  Iterator last;
  unsigned int length;
};

}  // namespace

// Walks the prefixes shortest first. The entries whose reading begins with
// a prefix form one range of the sorted list, and the range of a longer
// prefix lies inside it, so each search narrows the last one; once no
// reading begins with the prefix, no longer prefix can have an entry and
// the walk ends. Within a range the entries equal to the prefix come first.
std::vector<Candidate> Match(const HanjaLookup& lookup, const std::string& text,
                             unsigned int num) {
  const Ucs4String code_points = unicode_util::Utf8ToUcs4(text.c_str(), 0);
  std::vector<Exact> exact;
  std::string reading;
  Iterator low = lookup.items().begin();
  Iterator high = lookup.items().end();
  for (size_t i = 0; i < code_points.size() && low != high; ++i) {
    const std::string bytes = unicode_util::Ucs4ToUtf8(&code_points[i], 1);
    if (bytes.empty()) break;  // a decoded text never holds such a value
    reading += bytes;
    const std::string_view prefix(reading);
    low = std::lower_bound(low, high, prefix,
                           [](const HanjaLookup::Item& item,
                              std::string_view key) { return item.key < key; });
    high = std::upper_bound(
        low, high, prefix,
        [](std::string_view key, const HanjaLookup::Item& item) {
          return key < item.key.substr(0, key.size());
        });
    const Iterator equal_end = std::partition_point(
        low, high, [&prefix](const HanjaLookup::Item& item) {
          return item.key.size() == prefix.size();
        });
    if (low != equal_end) {
      exact.push_back({low, equal_end, static_cast<unsigned int>(i + 1)});
    }
  }

  std::vector<Candidate> candidates;
  for (auto run = exact.rbegin(); run != exact.rend(); ++run) {
    for (Iterator item = run->first; item != run->last; ++item) {
      candidates.push_back({&*item, run->length});
      if (num != 0 && candidates.size() == num) return candidates;
    }
  }
  return candidates;
}

}  // namespace hanja_match
