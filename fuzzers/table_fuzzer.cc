// Table loading: any bytes as one or two tables, then lookups.
//
// Input: the first byte is the separator, and the rest is cut at every
// separator into records: the first is a table, the second (if any) a
// second table, and each later one a Hanja text whose first byte picks the
// limit on candidates (0 to 3; 0 is none).
//
// Properties: the list is sorted by reading and holds exactly the entries
// of the lines before any invalid one, equal readings in table order; every
// entry of a table is found by its reading, and a lookup finds exactly the
// entries of its reading; each invalid line writes one diagnostic naming
// it, and nothing else is written; the Hanja match of every text gives
// what looking every prefix up in every entry gives.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/hanja_lookup.h"
#include "dictionary/hanja_match.h"
#include "dictionary/testing/table_oracle.h"
#include "fuzzers/fuzz_support.h"

namespace {

namespace table_oracle = hanja_match::testing;

using table_oracle::ParsedTable;
using table_oracle::TableEntry;

constexpr size_t kReadingTexts = 32;

bool Same(const HanjaLookup::Item& item, const TableEntry& entry) {
  return item.key == entry.key && item.value == entry.value &&
         item.annotation == entry.annotation;
}

// [first, last) must be exactly the entries of `reading`.
void CheckLookup(const HanjaLookup& lookup, std::string_view reading) {
  HanjaLookup::Iterator first, last;
  lookup.Match(reading, &first, &last);
  const std::vector<HanjaLookup::Item>& items = lookup.items();
  FUZZ_CHECK(items.begin() <= first && first <= last && last <= items.end());
  for (auto it = first; it != last; ++it) FUZZ_CHECK(it->key == reading);
  if (first != items.begin()) FUZZ_CHECK((first - 1)->key < reading);
  if (last != items.end()) FUZZ_CHECK(reading < last->key);
}

void CheckMatch(const HanjaLookup& lookup,
                const std::vector<TableEntry>& sorted, const std::string& text,
                unsigned int num) {
  const std::vector<table_oracle::ExpectedCandidate> expected =
      table_oracle::ExpectedCandidates(sorted, text, num);
  size_t next = 0;
  for (const hanja_match::Run& run : hanja_match::Match(lookup, text, num)) {
    FUZZ_CHECK(run.first < run.last);
    for (auto it = run.first; it != run.last; ++it, ++next) {
      FUZZ_CHECK(next < expected.size());
      FUZZ_CHECK(Same(*it, *expected[next].entry));
      FUZZ_CHECK(run.matched_length == expected[next].matched_length);
    }
  }
  FUZZ_CHECK(next == expected.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const char separator = static_cast<char>(input.Byte());
  const std::vector<std::string> records =
      fuzzing::Split(input.Rest(), separator);
  const size_t table_count = records.size() >= 2 ? 2 : 1;

  fuzzing::CerrCapture capture;
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  std::vector<ParsedTable> tables;
  std::string diagnostics;
  for (size_t t = 0; t < table_count; ++t) {
    tables.push_back(table_oracle::ParseTable(records[t]));
    if (tables.back().invalid) {
      diagnostics +=
          "Invalid hanja table: " + tables.back().invalid_line + "\n";
    }
    lookup->LoadFromMemory(records[t]);

    const std::vector<TableEntry> sorted = table_oracle::SortedEntries(tables);
    const std::vector<HanjaLookup::Item>& items = lookup->items();
    FUZZ_CHECK(items.size() == sorted.size());
    for (size_t i = 0; i < items.size(); ++i) {
      FUZZ_CHECK(Same(items[i], sorted[i]));
    }
    for (const TableEntry& entry : sorted) CheckLookup(*lookup, entry.key);
  }
  FUZZ_CHECK(capture.text() == diagnostics);

  const std::vector<TableEntry> sorted = table_oracle::SortedEntries(tables);
  for (size_t r = table_count; r < records.size(); ++r) {
    const std::string& record = records[r];
    const unsigned int num =
        record.empty() ? 0 : static_cast<unsigned char>(record[0]) % 4;
    const std::string text = record.empty() ? record : record.substr(1);
    CheckLookup(*lookup, text);
    CheckMatch(*lookup, sorted, text, num);
  }
  // Readings as texts: each finds its own entries among others. The
  // oracle's cost grows with the square of the entries, so a few suffice.
  for (size_t i = 0; i < sorted.size() && i < kReadingTexts; ++i) {
    CheckMatch(*lookup, sorted, sorted[i].key, 0);
  }
  FUZZ_CHECK(capture.text() == diagnostics);
  return 0;
}
