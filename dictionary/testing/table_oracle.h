// The table format and the Hanja match written out the plain way, for tests
// and fuzzers as the oracle of the dictionary: every line read one by one,
// every prefix looked up in every entry.
#ifndef DICTIONARY_TESTING_TABLE_ORACLE_H_
#define DICTIONARY_TESTING_TABLE_ORACLE_H_

#include <algorithm>
#include <string>
#include <vector>

#include "unicode/unicode_util.h"

namespace hanja_match {
namespace testing {

struct TableEntry {
  std::string key;
  std::string value;
  std::string annotation;
};

inline bool operator==(const TableEntry& a, const TableEntry& b) {
  return a.key == b.key && a.value == b.value && a.annotation == b.annotation;
}

struct ParsedTable {
  std::vector<TableEntry> entries;  // the lines before an invalid one
  bool invalid = false;
  std::string invalid_line;  // without its line feed
};

// Lines end at a line feed; an empty line or one that starts with "#" is
// skipped; a data line is reading ":" candidate ":" annotation, and one
// with fewer than two ":" is invalid and ends the parse.
inline ParsedTable ParseTable(const std::string& text) {
  ParsedTable table;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t first = line.find(':');
    const size_t second =
        first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) {
      table.invalid = true;
      table.invalid_line = line;
      break;
    }
    table.entries.push_back({line.substr(0, first),
                             line.substr(first + 1, second - first - 1),
                             line.substr(second + 1)});
  }
  return table;
}

// The dictionary after loading `tables` in this order: sorted by reading
// (bytes as unsigned values), equal readings in the order given.
inline std::vector<TableEntry> SortedEntries(
    const std::vector<ParsedTable>& tables) {
  std::vector<TableEntry> entries;
  for (const ParsedTable& table : tables) {
    entries.insert(entries.end(), table.entries.begin(), table.entries.end());
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TableEntry& a, const TableEntry& b) {
                     return a.key < b.key;  // char_traits compares unsigned
                   });
  return entries;
}

struct ExpectedCandidate {
  const TableEntry* entry;
  unsigned int matched_length;
};

// For each prefix of `text` (decoded up to its first zero byte, nothing if
// it fails to decode), longest first, re-encoded from its code points:
// every entry whose reading is exactly that prefix, in list order; at most
// `num` in all unless `num` is 0.
inline std::vector<ExpectedCandidate> ExpectedCandidates(
    const std::vector<TableEntry>& sorted, const std::string& text,
    unsigned int num) {
  std::vector<ExpectedCandidate> candidates;
  size_t longest_key = 0;
  for (const TableEntry& entry : sorted) {
    longest_key = std::max(longest_key, entry.key.size());
  }
  const Ucs4String points = unicode_util::Utf8ToUcs4(text.c_str(), 0);
  // Prefixes longer than every reading are skipped without encoding them.
  std::vector<size_t> prefix_bytes(1, 0);
  for (unsigned int point : points) {
    prefix_bytes.push_back(prefix_bytes.back() +
                           unicode_util::Ucs4ToUtf8(&point, 1).size());
  }
  for (size_t length = points.size(); length >= 1; --length) {
    if (prefix_bytes[length] > longest_key) continue;
    const std::string reading = unicode_util::Ucs4ToUtf8(
        points.data(), static_cast<unsigned int>(length));
    for (const TableEntry& entry : sorted) {
      if (entry.key != reading) continue;
      candidates.push_back({&entry, static_cast<unsigned int>(length)});
      if (num != 0 && candidates.size() == num) return candidates;
    }
  }
  return candidates;
}

}  // namespace testing
}  // namespace hanja_match

#endif  // DICTIONARY_TESTING_TABLE_ORACLE_H_
