#include "dictionary/hanja_match.h"

#include <algorithm>
#include <string_view>

#include "unicode/unicode_util.h"

namespace hanja_match {

// Walks the prefixes shortest first. The entries whose reading begins with
// a prefix form one range of the sorted list, and the range of a longer
// prefix lies inside it, so each search narrows the last one; once no
// reading begins with the prefix, no longer prefix can have an entry and
// the walk ends. Within a range the entries equal to the prefix come first.
std::vector<Run> Match(const HanjaLookup& lookup, const std::string& text,
                       unsigned int num) {
  typedef HanjaLookup::Item Item;
  const Ucs4String code_points = unicode_util::Utf8ToUcs4(text.c_str(), 0);
  std::vector<Run> runs;
  std::string reading;
  HanjaLookup::Iterator low = lookup.items().begin();
  HanjaLookup::Iterator high = lookup.items().end();
  for (size_t i = 0; i < code_points.size() && low != high; ++i) {
    const std::string bytes = unicode_util::Ucs4ToUtf8(&code_points[i], 1);
    if (bytes.empty()) break;  // a decoded text never holds such a value
    reading += bytes;
    const std::string_view prefix(reading);
    low = std::lower_bound(
        low, high, prefix,
        [](const Item& item, std::string_view key) { return item.key < key; });
    high = std::upper_bound(low, high, prefix,
                            [](std::string_view key, const Item& item) {
                              return key < item.key.substr(0, key.size());
                            });
    const HanjaLookup::Iterator equal_end =
        std::partition_point(low, high, [&prefix](const Item& item) {
          return item.key.size() == prefix.size();
        });
    if (low != equal_end) {
      runs.push_back({low, equal_end, static_cast<unsigned int>(i + 1)});
    }
  }
  std::reverse(runs.begin(), runs.end());
  if (num == 0) return runs;
  size_t left = num;
  for (size_t k = 0; k < runs.size(); ++k) {
    const size_t size = static_cast<size_t>(runs[k].last - runs[k].first);
    if (size >= left) {
      runs[k].last = runs[k].first + left;
      runs.resize(k + 1);
      break;
    }
    left -= size;
  }
  return runs;
}

}  // namespace hanja_match
