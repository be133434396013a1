#include "dictionary/hanja_match.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "unicode/unicode_util.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr char kFixture[] =
    "# a small table\n"
    "::empty reading\n"
    "가:可:옳을 가\n"
    "가:家:집 가\n"
    "가:加:\n"
    "각:刻:\n"
    "각:刻:\n"
    "대:大:큰 대\n"
    "대:對:대할 대\n"
    "대한:大韓:\n"
    "대한민국:大韓民國:\n"
    "한:韓:나라 한\n";

// Candidates as "value/matched length", in order.
std::vector<std::string> Render(const std::vector<hanja_match::Run>& runs) {
  std::vector<std::string> rendered;
  for (const hanja_match::Run& run : runs) {
    EXPECT_NE(run.first, run.last) << "an empty run";
    for (auto item = run.first; item != run.last; ++item) {
      rendered.push_back(std::string(item->value) + "/" +
                         std::to_string(run.matched_length));
    }
  }
  return rendered;
}

// The walk as the protocol states it: every prefix, longest first, encoded
// from the code points and looked up in the whole list.
std::vector<std::string> ReferenceMatch(const HanjaLookup& lookup,
                                        const std::string& text,
                                        unsigned int num) {
  std::vector<std::string> rendered;
  Ucs4String code_points = unicode_util::Utf8ToUcs4(text.c_str(), 0);
  for (size_t length = code_points.size(); length > 0; --length) {
    code_points[length] = 0;
    std::string reading = unicode_util::Ucs4ToUtf8(code_points.data(), 0);
    HanjaLookup::Iterator first, last;
    lookup.Match(reading, &first, &last);
    for (auto it = first; it != last; ++it) {
      rendered.push_back(std::string(it->value) + "/" + std::to_string(length));
      if (num != 0 && rendered.size() == num) return rendered;
    }
  }
  return rendered;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

TEST(HanjaMatch, SmallTable) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  lookup->LoadFromMemory(kFixture);
  struct Case {
    const char* name;
    std::string text;
    unsigned int num;
    std::vector<std::string> candidates;
  };
  const std::vector<Case> cases = {
      {"longest prefix first, then shorter ones",
       "대한민국",
       0,
       {"大韓民國/4", "大韓/2", "大/1", "對/1"}},
      {"num 1 gives the first of the longest", "대한민국", 1, {"大韓民國/4"}},
      {"the limit cuts a prefix's entries",
       "대한민국",
       3,
       {"大韓民國/4", "大韓/2", "大/1"}},
      {"the limit within one reading", "가", 2, {"可/1", "家/1"}},
      {"num -1 sets no limit", "가", 4294967295u, {"可/1", "家/1", "加/1"}},
      {"lengths count code points", "대한", 0, {"大韓/2", "大/1", "對/1"}},
      {"a reading inside the text is not found", "한대", 0, {"韓/1"}},
      {"ASCII after Hangul takes part in longer prefixes",
       "대한abc",
       0,
       {"大韓/2", "大/1", "對/1"}},
      {"a longer text after a whole reading",
       "대한민국만세",
       0,
       {"大韓民國/4", "大韓/2", "大/1", "對/1"}},
      {"a reading that only begins the text's prefix",
       "대한민",
       0,
       {"大韓/2", "大/1", "對/1"}},
      {"identical entries both come", "각", 0, {"刻/1", "刻/1"}},
      {"an overlong form finds the shortest",
       "\xF0\x8B\x8C\x80",
       0,
       {"大/1", "對/1"}},
      {"no entry", "나", 0, {}},
      {"a text that fails to decode finds nothing", "대한\xFF", 0, {}},
      {"a sequence cut off at the end fails too", "대한\xEB\x8C", 0, {}},
      {"the empty reading is never returned", "\xC3\xA9", 0, {}},
      {"decoding stops at a zero byte",
       std::string("대\0한", 7),
       0,
       {"大/1", "對/1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Render(hanja_match::Match(*lookup, c.text, c.num)), c.candidates);
    EXPECT_EQ(ReferenceMatch(*lookup, c.text, c.num), c.candidates);
  }
}

TEST(HanjaMatch, EmptyDictionaryFindsNothing) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  EXPECT_THAT(hanja_match::Match(*lookup, "대한민국", 0), IsEmpty());
}

TEST(HanjaMatch, LongTextIsAnsweredFromItsFirstReadings) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  lookup->LoadFromMemory(kFixture);
  std::string text = "대한민국";
  for (int i = 0; i < 300000; ++i) text += "가";
  EXPECT_THAT(Render(hanja_match::Match(*lookup, text, 0)),
              ElementsAre("大韓民國/4", "大韓/2", "大/1", "對/1"));
}

class RealTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hanja_ = new std::string(ReadFile(kHanja));
    symbol_ = new std::string(ReadFile(kSymbol));
  }
  static void TearDownTestSuite() {
    delete hanja_;
    delete symbol_;
  }
  // Both tables, parsed in the order given.
  static HanjaLookup::Ptr Load(bool hanja_first) {
    HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
    lookup->LoadFromMemory(hanja_first ? *hanja_ : *symbol_);
    lookup->LoadFromMemory(hanja_first ? *symbol_ : *hanja_);
    return lookup;
  }
  static std::vector<std::string> First(const HanjaLookup& lookup,
                                        const std::string& text, size_t n) {
    std::vector<std::string> rendered =
        Render(hanja_match::Match(lookup, text, 0));
    if (rendered.size() > n) rendered.resize(n);
    return rendered;
  }

  static constexpr const char* kHanja = "/usr/share/libhangul/hanja/hanja.txt";
  static constexpr const char* kSymbol =
      "/usr/share/libhangul/hanja/mssymbol.txt";
  static std::string* hanja_;
  static std::string* symbol_;
};

std::string* RealTables::hanja_ = nullptr;
std::string* RealTables::symbol_ = nullptr;

TEST_F(RealTables, CandidatesComeInTableOrder) {
  ASSERT_FALSE(hanja_->empty());
  ASSERT_FALSE(symbol_->empty());
  for (bool hanja_first : {true, false}) {
    SCOPED_TRACE(hanja_first ? "hanja.txt first" : "symbol.txt first");
    HanjaLookup::Ptr lookup = Load(hanja_first);
    EXPECT_THAT(First(*lookup, "대한민국", 3),
                ElementsAre("大韓民國/4", "大寒/2", "大旱/2"));
    // 可 家 加 lead the entries of 가 in hanja.txt; an unstable sort puts
    // rare characters first.
    EXPECT_THAT(First(*lookup, "가", 3), ElementsAre("可/1", "家/1", "加/1"));
    EXPECT_THAT(First(*lookup, "국", 1), ElementsAre("國/1"));
    // The symbols of ㄱ, as mssymbol.txt lists them.
    EXPECT_THAT(First(*lookup, "ㄱ", 4),
                ElementsAre("\xE3\x80\x80/1", "！/1", "＇/1", "，/1"));
    EXPECT_THAT(Render(hanja_match::Match(*lookup, "ㄱ", 0)), SizeIs(38));
  }
}

// The narrowing walk gives what the plain walk over every prefix gives, on
// texts made of pieces of real readings.
TEST_F(RealTables, SameAsEveryPrefixLookedUp) {
  HanjaLookup::Ptr lookup = Load(true);
  const std::vector<std::string> pieces = {"대", "한", "민", "국", "가", "ㄱ",
                                           "a",  "학", "교", "생", "활", "!"};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    int length = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
    unsigned int num =
        random() % 3 == 0 ? static_cast<unsigned>(random() % 5) : 0;
    SCOPED_TRACE(text + " num " + std::to_string(num));
    ASSERT_EQ(Render(hanja_match::Match(*lookup, text, num)),
              ReferenceMatch(*lookup, text, num));
  }
}

}  // namespace
