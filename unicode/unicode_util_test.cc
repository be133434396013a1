#include "unicode/unicode_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

TEST(Ucs4ToUtf8, EncodesEachRangeInItsShortestForm) {
  struct Case {
    unsigned int code_point;
    const char* bytes;
  };
  const Case kCases[] = {
      {0x41, "41"},
      {0x7F, "7F"},
      {0x80, "C2 80"},
      {0x7FF, "DF BF"},
      {0x800, "E0 A0 80"},
      {0xD800, "ED A0 80"},
      {0xFFFF, "EF BF BF"},
      {0x10000, "F0 90 80 80"},
      {0x10FFFF, "F4 8F BF BF"},
      {0x110000, "F4 90 80 80"},
      {0x1FFFFF, "F7 BF BF BF"},
      {0x200000, "F8 88 80 80 80"},
      {0x3FFFFFF, "FB BF BF BF BF"},
      {0x4000000, "FC 84 80 80 80 80"},
      {0x7FFFFFFF, "FD BF BF BF BF BF"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.code_point);
    EXPECT_EQ(Hex(unicode_util::Ucs4ToUtf8(&c.code_point, 1)), c.bytes);
  }
}

TEST(Ucs4ToUtf8, ValueBeyond31BitsEmptiesTheWholeResultAndSaysSo) {
  const unsigned int kSingle[] = {0x80000000u, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kSingle, 1), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid UCS4 char2147483648\n");

  const unsigned int kAfterText[] = {0x41, 0x42, 0xFFFFFFFFu, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kAfterText, 0), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid UCS4 char4294967295\n");
}

TEST(Ucs4ToUtf8, StopsAtTheCountOrTheFirstZero) {
  const unsigned int kAB[] = {0x41, 0x42, 0};
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kAB, 1), "A");
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kAB, 0), "AB");
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kAB, 5), "AB");
  const unsigned int kInnerZero[] = {0x41, 0, 0x42, 0};
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kInnerZero, 3), "A");
  const unsigned int kLeadingZero[] = {0, 0x41, 0};
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kLeadingZero, 0), "");
  EXPECT_EQ(unicode_util::Ucs4ToUtf8(kLeadingZero, 2), "");
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  unsigned int count;
  std::vector<unsigned int> code_points;
};

TEST(Utf8ToUcs4, DecodesLeniently) {
  const DecodeCase kCases[] = {
      {"empty", "", 0, {}},
      {"ascii", "A", 0, {0x41}},
      {"two bytes", "\xC3\xA9", 0, {0xE9}},
      {"three bytes", "\xE1\x84\x80", 0, {0x1100}},
      {"four bytes", "\xF0\x9F\x98\x80", 0, {0x1F600}},
      {"five bytes", "\xF8\x88\x80\x80\x80", 0, {0x200000}},
      {"six bytes", "\xFC\x84\x80\x80\x80\x80", 0, {0x4000000}},
      {"surrogate", "\xED\xA0\x80", 0, {0xD800}},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, {0x110000}},
      {"overlong", "\xC0\x81", 0, {0x01}},
      {"overlong zero ends the text",
       std::string("a\xC0\x80"
                   "b"),
       0,
       {0x61}},
      {"stray continuation starts a sequence", "\x80\x41", 0, {0x01}},
      {"continuation bits unchecked", "\xC3\x41", 0, {0xC1}},
      {"three-byte stray continuation", "\xA0\x41\x42", 0, {0x42}},
      {"count cuts the text", "AB", 1, {0x41}},
  };
  for (const DecodeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Ucs4String decoded = unicode_util::Utf8ToUcs4(c.bytes.c_str(), c.count);
    EXPECT_EQ(std::vector<unsigned int>(decoded.begin(), decoded.end()),
              c.code_points);
  }
}

TEST(Utf8ToUcs4, FailureGivesAnEmptyResultAndNoDiagnostic) {
  const DecodeCase kCases[] = {
      {"cut off at the end", "abc\xC3", 0, {}},
      {"cut off by the count", "\xC3\xA9", 1, {}},
      {"FE", "\xFE", 0, {}},
      {"FF after text", "abc\xFF", 0, {}},
      {"BE", "\xBE", 0, {}},
      {"BF after text", "x\xBF", 0, {}},
      {"failure after a decoded zero", std::string("a\xC0\x80\xFF"), 0, {}},
  };
  for (const DecodeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(unicode_util::Utf8ToUcs4(c.bytes.c_str(), c.count).empty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
}

TEST(Utf8RoundTrip, EveryRangeBoundarySurvives) {
  const unsigned int kValues[] = {
      0x1,      0x7F,     0x80,      0x7FF,     0x800,      0xFFFF, 0x10000,
      0x1FFFFF, 0x200000, 0x3FFFFFF, 0x4000000, 0x7FFFFFFF, 0xAC00, 0};
  std::string encoded = unicode_util::Ucs4ToUtf8(kValues, 0);
  EXPECT_EQ(encoded.find('\0'), std::string::npos);
  Ucs4String decoded = unicode_util::Utf8ToUcs4(encoded.c_str(), 0);
  EXPECT_EQ(decoded, Ucs4String(kValues));
}

}  // namespace
