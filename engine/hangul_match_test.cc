#include "engine/hangul_match.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/input_context.h"
#include "engine/testing/segment_oracle.h"
#include "unicode/unicode_util.h"

namespace {

std::string SourceDir() {
  const char* dir = std::getenv("HANGUL_SOURCE_DIR");
  return dir != nullptr ? dir : ".";
}

std::string Utf8(unsigned int code_point) {
  return unicode_util::Ucs4ToUtf8(&code_point, 1);
}

std::string Describe(const hangul_match::Segmentation& s) {
  std::string out;
  for (size_t k = 0; k < s.characters.size(); ++k) {
    out += Utf8(s.characters[k]) + ":" + std::to_string(s.lengths[k]) + " ";
  }
  return out;
}

TEST(ComposeGolden, EveryVectorHolds) {
  std::ifstream file(SourceDir() + "/engine/testdata/compose-train.tsv");
  ASSERT_TRUE(file) << "missing engine/testdata/compose-train.tsv";
  InputContext context;
  std::string line;
  int rows = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string layout, keys_hex, expected_hex;
    std::getline(fields, layout, '\t');
    std::getline(fields, keys_hex, '\t');
    std::getline(fields, expected_hex);
    std::string keys;
    std::istringstream key_bytes(keys_hex);
    for (std::string byte; key_bytes >> byte;) {
      keys += static_cast<char>(std::stoi(byte, nullptr, 16));
    }
    Ucs4String expected;
    std::istringstream points(expected_hex);
    for (std::string point; points >> point;) {
      expected +=
          static_cast<unsigned int>(std::stoul(point.substr(2), nullptr, 16));
    }
    context.SelectKeyboard(layout);
    SCOPED_TRACE(line);
    ASSERT_EQ(context.Compose(keys), expected);
    ++rows;
  }
  EXPECT_GT(rows, 3000);
}

TEST(Segment, CutsTheDocumentedExamples) {
  struct Case {
    const char* layout;
    std::string keys;
    const char* expected;  // character:keys ...
  };
  const Case kCases[] = {
      {"2", "", ""},
      {"2", "   ", ""},
      {"2", "rk", "가:2 "},
      {"2", "r", "ㄱ:1 "},
      {"2", "Rk", "까:2 "},
      {"2", "rK", "가:2 "},
      {"2", "rkrk", "가:2 가:2 "},
      {"2", "rkskek", "가:2 나:2 다:2 "},
      {"2", "dkssud", "안:3 녕:3 "},
      {"2", "rr", "ㄲ:2 "},
      {"2", "rrr", "ㄲ:2 ㄱ:1 "},
      {"2", "rk1", "가:2 1:1 "},
      {"2", "123", "1:1 2:1 3:1 "},
      {"2", "rk ", "가:2 "},
      {"2", "rk rk", "가:2 가:3 "},
      {"2", "rk\bk", "가:2 ㅏ:2 "},
      {"39", "kf", "가:2 "},
      {"39", "kx", "\xE1\x84\x80:2 \xE1\x85\xA0:1 \xE1\x86\xA8:1 "},
      {"ro", "a", "아:1 "},
      {"xyz", "rk", "가:2 "},
      {"", "rk", "가:2 "},
  };
  InputContext context;
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.layout) + " " + c.keys);
    context.SelectKeyboard(c.layout);
    EXPECT_EQ(Describe(hangul_match::Segment(&context, c.keys)), c.expected);
  }
}

TEST(Segment, LeavesTheContextEmptyForTheNextRequest) {
  InputContext context;
  hangul_match::Segment(&context, "r");
  EXPECT_EQ(Describe(hangul_match::Segment(&context, "k")), "ㅏ:1 ");
}

// Key alphabets that reach every kind of key: letters, digits, punctuation,
// space, control bytes and DEL, with letters weighted as in typing.
std::string RandomKeys(std::mt19937* random, size_t length) {
  static const std::string kLetters =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::uniform_int_distribution<int> kind(0, 9);
  std::string keys;
  for (size_t i = 0; i < length; ++i) {
    int k = kind(*random);
    if (k < 7) {
      keys += kLetters[(*random)() % kLetters.size()];
    } else if (k < 9) {
      keys += static_cast<char>(0x20 + (*random)() % 0x5F);  // printable
    } else {
      keys += static_cast<char>((*random)() % 2 ? (*random)() % 0x20 : 0x7F);
    }
  }
  return keys;
}

TEST(Segment, EqualsRecomposingEveryTrialOnEveryLayout) {
  std::mt19937 random(20261211);
  InputContext context;
  for (const char* layout : InputContext::kKeyboards) {
    context.SelectKeyboard(layout);
    for (int i = 0; i < 4000; ++i) {
      std::string keys = RandomKeys(&random, random() % 40);
      hangul_match::Segmentation fast = hangul_match::Segment(&context, keys);
      hangul_match::Segmentation slow =
          hangul_match::testing::SegmentByRecomposing(&context, keys);
      ASSERT_EQ(fast.characters, slow.characters) << layout << " " << keys;
      ASSERT_EQ(fast.lengths, slow.lengths) << layout << " " << keys;
    }
  }
}

TEST(Segment, LongRunOfUnmappedKeysGoesToTheLastCharacter) {
  InputContext context;
  std::string keys = "r" + std::string(100000, ' ') + "k";
  hangul_match::Segmentation s = hangul_match::Segment(&context, keys);
  EXPECT_EQ(Describe(s), "ㄱ:1 ㅏ:100001 ");
}

}  // namespace
