#include "dictionary/hanja_lookup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The list as "key|value|annotation" strings, in list order.
std::vector<std::string> Entries(const HanjaLookup& lookup) {
  std::vector<std::string> entries;
  for (const HanjaLookup::Item& item : lookup.items()) {
    entries.push_back(std::string(item.key) + "|" + std::string(item.value) +
                      "|" + std::string(item.annotation));
  }
  return entries;
}

// Readings of many entries, in an order that is not sorted, each with its
// place in the text as the candidate.
std::string UnsortedTable(int lines) {
  const char* readings[] = {"나", "가", "다", "가"};
  std::string table;
  for (int i = 0; i < lines; ++i) {
    table += std::string(readings[i % 4]) + ":" + std::to_string(i) + ":\n";
  }
  return table;
}

std::vector<std::string> UnsortedTableSorted(int lines) {
  std::vector<std::string> entries;
  for (const char* reading : {"가", "나", "다"}) {
    for (int i = 0; i < lines; ++i) {
      const char* readings[] = {"나", "가", "다", "가"};
      if (std::string(readings[i % 4]) == reading) {
        entries.push_back(std::string(reading) + "|" + std::to_string(i) + "|");
      }
    }
  }
  return entries;
}

TEST(HanjaLookupParse, Tables) {
  struct Case {
    const char* name;
    std::vector<std::string> tables;  // parsed in this order
    std::vector<std::string> entries;
    std::string diagnostics;
  };
  const std::vector<Case> cases = {
      {"annotation keeps further colons",
       {"가:可:옳을 가: 또는 가히\n"},
       {"가|可|옳을 가: 또는 가히"},
       ""},
      {"two colons alone give an empty entry, sorted first",
       {"b:1:\n::\n"},
       {"||", "b|1|"},
       ""},
      {"last line without a line feed",
       {"a:1:x\nb:2:y"},
       {"a|1|x", "b|2|y"},
       ""},
      {"last line with a line feed",
       {"a:1:x\nb:2:y\n"},
       {"a|1|x", "b|2|y"},
       ""},
      {"empty text", {""}, {}, ""},
      {"empty lines are skipped", {"\n\na:1:\n\n"}, {"a|1|"}, ""},
      {"only the first byte makes a comment",
       {"#x:y:z\n #x:y:z\n"},
       {" #x|y|z"},
       ""},
      {"CR LF line ends stay in the annotation",
       {"a:1:x\r\nb:2:\r\n"},
       {"a|1|x\r", "b|2|\r"},
       ""},
      {"identical lines give two entries",
       {"a:1:\na:1:\n"},
       {"a|1|", "a|1|"},
       ""},
      {"a line with one colon stops the parse",
       {"b:1:\nbad:line\nc:2:\n"},
       {"b|1|"},
       "Invalid hanja table: bad:line\n"},
      {"a line of a carriage return is invalid",
       {"b:1:\n\r\nc:2:\n"},
       {"b|1|"},
       "Invalid hanja table: \r\n"},
      {"an invalid first line adds nothing",
       {"nothing here\na:1:\n"},
       {},
       "Invalid hanja table: nothing here\n"},
      {"a last line cut short before its second colon is invalid",
       {"a:1:x\nb:2"},
       {"a|1|x"},
       "Invalid hanja table: b:2\n"},
      {"the list stays sorted after an invalid line",
       {"a:1:\nd:4:\n", "c:3:\nb:2:\nbroken\ne:5:\n"},
       {"a|1|", "b|2|", "c|3|", "d|4|"},
       "Invalid hanja table: broken\n"},
      {"both tables merge into one run per reading, earlier table first",
       {"가:A:\n나:B:\n", "가:C:\n다:D:\n"},
       {"가|A|", "가|C|", "나|B|", "다|D|"},
       ""},
      {"the earlier table comes first whichever it is",
       {"가:C:\n다:D:\n", "가:A:\n나:B:\n"},
       {"가|C|", "가|A|", "나|B|", "다|D|"},
       ""},
      {"a table appended behind the list needs no merge",
       {"a:1:\nb:2:\n", "b:3:\nc:4:\n"},
       {"a|1|", "b|2|", "b|3|", "c|4|"},
       ""},
      {"an unsorted table is sorted keeping its order of equals",
       {UnsortedTable(60)},
       UnsortedTableSorted(60),
       ""},
      {"bytes compare unsigned: ASCII, then jamo, then syllables",
       {"가:1:\nㄱ:2:\nz:3:\n"},
       {"z|3|", "ㄱ|2|", "가|1|"},
       ""},
      {"a reading sorts before the readings it begins",
       {"가나:1:\n가:2:\n"},
       {"가|2|", "가나|1|"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
    testing::internal::CaptureStderr();
    for (const std::string& table : c.tables) lookup->LoadFromMemory(table);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics);
    EXPECT_EQ(Entries(*lookup), c.entries);
  }
}

TEST(HanjaLookupParse, EntriesOutliveTheCallersText) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  {
    std::string table = "가:可:옳을 가\n";
    lookup->LoadFromMemory(table);
    table.assign(table.size(), 'x');
  }
  lookup->LoadFromMemory("나:那:어찌 나\n");
  EXPECT_THAT(Entries(*lookup), ElementsAre("가|可|옳을 가", "나|那|어찌 나"));
}

TEST(HanjaLookupMatch, FindsWholeReadingsOnly) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  lookup->LoadFromMemory("가:可:\n가격:價格:\n가:家:\n각:各:\n:空:\n");
  struct Case {
    const char* reading;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"가", {"可", "家"}}, {"가격", {"價格"}}, {"각", {"各"}}, {"가격표", {}},
      {"ㄱ", {}},           {"힣", {}},         {"", {"空"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reading);
    HanjaLookup::Iterator first, last;
    lookup->Match(c.reading, &first, &last);
    std::vector<std::string> values;
    for (auto it = first; it != last; ++it) values.emplace_back(it->value);
    EXPECT_EQ(values, c.values);
  }
}

TEST(HanjaLookupMatch, EmptyListFindsNothing) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  HanjaLookup::Iterator first, last;
  lookup->Match("가", &first, &last);
  EXPECT_EQ(first, last);
  EXPECT_THAT(Entries(*lookup), IsEmpty());
}

TEST(HanjaLookupLifetime, ReleasedWithoutDownloadsIsDeletedAtOnce) {
  const size_t before = HanjaLookup::live_count();
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  EXPECT_EQ(HanjaLookup::live_count(), before + 1);
  lookup.reset();
  EXPECT_EQ(HanjaLookup::live_count(), before);
}

}  // namespace
