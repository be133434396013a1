// Request handling: any sequence of messages, of any var type and any
// bytes, through the test host into HandleMessage.
//
// Input: the first byte is the separator, and the rest is cut at every
// separator into records, so a message can hold any byte. A record whose
// first byte is one of these is an action:
//   0x01 an undefined var     0x02 a null var
//   0x03 a bool var (true unless the rest is empty)
//   0x04 an int32 var and 0x05 a double var (the rest read as a number)
//   0x06 an array buffer of the rest
//   0x07 a string var of the rest (for strings that begin with 0x01-0x0A)
//   0x08 destroy the instance and create a fresh one
//   0x09 and 0x0A play the next piece of "hanja.txt" and of "symbol.txt"
// Every other record is a string message of its bytes. Both tables come in
// pieces with a pause between them, so messages arrive between pieces.
//
// Properties: exactly one reply to each message except a keyboard
// request, which gets none; the reply is one line, parses as strict JSON
// and is written in canonical form (writing the parsed value again gives
// the same bytes); it has one of the two shapes, with all lists null or
// all arrays of one length; errors carry the message for their cause;
// a keystroke reply holds the characters and key counts of the
// straightforward segmentation on the layout last selected; a Hanja reply
// holds what looking every prefix up in the tables parsed so far gives.
#include <json/reader.h>
#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "dictionary/testing/table_oracle.h"
#include "engine/hangul_match.h"
#include "engine/input_context.h"
#include "engine/reply.h"
#include "engine/request.h"
#include "engine/testing/segment_oracle.h"
#include "fuzzers/fuzz_support.h"
#include "host/testing/test_host.h"
#include "host/var.h"
#include "unicode/unicode_util.h"

namespace {

namespace table_oracle = hanja_match::testing;

using velt::Var;
using velt::testing::Script;
using velt::testing::TestHost;

constexpr char kHanjaURL[] = "http://test.invalid/page/hanja.txt";
constexpr char kSymbolURL[] = "http://test.invalid/page/symbol.txt";
// Keystroke texts longer than this are not checked against the oracle,
// whose cost grows with the cube of the keys in the worst case.
constexpr size_t kOracleKeys = 96;

// Small tables, each in three pieces that cut lines and characters.
const char* const kHanjaPieces[] = {
    "# readings\n\xED\x95\x9C:\xE9\x9F\x93:\xED\x95\x9C\xEA\xB5\xAD\n\xED",
    ("\x95\x9C\xEC\x9E\x90:\xE6\xBC\xA2\xE5\xAD\x97:\"quoted\" \\ \t\n"
     "\xED\x95\x9C:\xE6\xBC\xA2:"),
    "\xEC\x9D\xB4\xEB\xA6\x84\n::\nga:\xE5\xAE\xB6:a:b:c\r\n"};
const char* const kSymbolPieces[] = {
    "\xE3\x84\xB1:\xE3\x80\x80:",
    "space\n\xE3\x84\xB1:\xE2\x80\xBB:\x01 mark\n\xED\x95\x9C:",
    "\xE2\x98\x85:star"};

Script PiecedTable(const char* const (&pieces)[3]) {
  std::string body;
  for (const char* piece : pieces) body += piece;
  Script script;
  script.Response(Var(200), static_cast<int64_t>(body.size()));
  for (size_t i = 0; i < 3; ++i) {
    script.Pause();
    script.Data(pieces[i]);
  }
  script.End();
  return script;
}

// What a message asks for, read the way the engine reads requests.
struct Expected {
  enum class Kind { kError, kMatch, kKeyboard } kind = Kind::kError;
  std::string error;
  std::string text;
  unsigned int num = 0;
  std::string keyboard;
};

Expected Error(std::string message) {
  Expected expected;
  expected.error = std::move(message);
  return expected;
}

// Written without a fraction or an exponent, within 32 signed bits.
bool IsInteger(const Json::Value& value) {
  return (value.type() == Json::intValue || value.type() == Json::uintValue) &&
         value.isInt();
}

const Json::Value* Member(const Json::Value& object, const char* key) {
  if (!object.isObject() || !object.isMember(key)) return nullptr;
  return &object[key];
}

Expected Classify(const Var& message) {
  if (!message.is_string()) return Error(request::kNotAString);
  const std::string raw = message.AsString();
  Json::Value root;
  bool parsed = false;
  try {
    Json::Reader reader;
    parsed = reader.parse(raw.data(), raw.data() + raw.size(), root, false);
  } catch (const std::exception&) {
    parsed = false;
  }
  if (!parsed) return Error(request::kParseFailed);
  const Json::Value* app = Member(root, "app");
  if (app == nullptr || !app->isString()) return Error(request::kAppNotString);
  const Json::Value* text = Member(root, "text");
  if (text != nullptr && text->isString()) {
    const Json::Value* num = Member(root, "num");
    if (num == nullptr || !IsInteger(*num)) {
      return Error(request::kNumNotInteger);
    }
    Expected expected;
    expected.kind = Expected::Kind::kMatch;
    expected.text = text->asString();
    expected.num = static_cast<unsigned int>(num->asInt());
    return expected;
  }
  const Json::Value* keyboard = Member(root, "keyboard");
  if (keyboard != nullptr && keyboard->isString()) {
    Expected expected;
    expected.kind = Expected::Kind::kKeyboard;
    expected.keyboard = keyboard->asString();
    return expected;
  }
  return Error(request::kInvalidRequest + raw);
}

Json::Value ParseStrictly(const std::string& text) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  builder.settings_["stackLimit"] = 64;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  FUZZ_CHECK(
      reader->parse(text.data(), text.data() + text.size(), &value, &errors));
  return value;
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// One list of a result: null when there is no candidate, else an array of
// `count` elements.
void CheckList(const Json::Value& list, Json::ArrayIndex count) {
  if (count == 0) {
    FUZZ_CHECK(list.isNull());
  } else {
    FUZZ_CHECK(list.isArray());
    FUZZ_CHECK(list.size() == count);
  }
}

// What the instance should hold: the layout last selected and the tables
// parsed so far, in the order they completed.
struct Model {
  InputContext layout;
  int pieces[2] = {0, 0};  // pieces of "hanja.txt" and "symbol.txt" played
  std::vector<table_oracle::ParsedTable> tables;

  void Restart() {
    layout.SelectKeyboard(InputContext::kDefaultKeyboard);
    pieces[0] = pieces[1] = 0;
    tables.clear();
  }
  // The next piece of table `t` has been played; after the last one the
  // body ends and the table is parsed.
  void Played(int t) {
    if (++pieces[t] != 3) return;
    std::string body;
    for (const char* piece : t == 0 ? kHanjaPieces : kSymbolPieces) {
      body += piece;
    }
    tables.push_back(table_oracle::ParseTable(body));
  }
};

void CheckHanja(const Json::Value& result, const Expected& expected,
                const Model& model) {
  const std::vector<table_oracle::TableEntry> sorted =
      table_oracle::SortedEntries(model.tables);
  const std::vector<table_oracle::ExpectedCandidate> candidates =
      table_oracle::ExpectedCandidates(sorted, expected.text, expected.num);
  const Json::Value& attributes = result[3];
  FUZZ_CHECK(result[1].isArray() ? result[1].size() == candidates.size()
                                 : candidates.empty());
  for (Json::ArrayIndex i = 0; i < candidates.size(); ++i) {
    FUZZ_CHECK(result[1][i].asString() == candidates[i].entry->value);
    FUZZ_CHECK(attributes["annotation"][i].asString() ==
               candidates[i].entry->annotation);
    FUZZ_CHECK(result[2][i].asUInt() == candidates[i].matched_length);
  }
}

void CheckSuccess(const Json::Value& result, const Expected& expected,
                  Model* model) {
  FUZZ_CHECK(result.isArray() && result.size() == 4);
  FUZZ_CHECK(result[0].isString());
  FUZZ_CHECK(result[0].asString() == expected.text);
  const Json::Value& candidates = result[1];
  const Json::Value& lengths = result[2];
  const Json::Value& attributes = result[3];
  FUZZ_CHECK(candidates.isNull() || candidates.isArray());
  const Json::ArrayIndex count = candidates.isArray() ? candidates.size() : 0;
  CheckList(candidates, count);
  CheckList(lengths, count);
  FUZZ_CHECK(attributes.isObject());

  const bool hanja = !IsAscii(expected.text);
  std::vector<std::string> keys = {"candidate_type", "is_confident",
                                   "matched_length"};
  if (hanja) keys.insert(keys.begin(), "annotation");
  FUZZ_CHECK(attributes.getMemberNames() == keys);
  for (const std::string& key : keys) CheckList(attributes[key], count);
  FUZZ_CHECK(attributes["matched_length"] == lengths);

  for (Json::ArrayIndex i = 0; i < count; ++i) {
    FUZZ_CHECK(candidates[i].isString());
    FUZZ_CHECK(lengths[i].type() != Json::realValue && lengths[i].isUInt());
    FUZZ_CHECK(lengths[i].asUInt() >= 1);
    FUZZ_CHECK(attributes["candidate_type"][i] == Json::Value(0));
    const int confidence = hanja || i > 0 ? 0 : 1;
    FUZZ_CHECK(attributes["is_confident"][i] == Json::Value(confidence));
    if (hanja) FUZZ_CHECK(attributes["annotation"][i].isString());
  }

  if (hanja) {
    CheckHanja(result, expected, *model);
    return;
  }
  if (expected.text.size() > kOracleKeys) return;
  const hangul_match::Segmentation oracle =
      hangul_match::testing::SegmentByRecomposing(&model->layout,
                                                  expected.text);
  FUZZ_CHECK(count == oracle.characters.size());
  for (Json::ArrayIndex i = 0; i < count; ++i) {
    FUZZ_CHECK(candidates[i].asString() ==
               unicode_util::Ucs4ToUtf8(&oracle.characters[i], 1));
    FUZZ_CHECK(lengths[i].asUInt() == oracle.lengths[i]);
  }
}

void CheckReplies(const std::vector<std::string>& replies,
                  const Expected& expected, Model* model) {
  if (expected.kind == Expected::Kind::kKeyboard) {
    FUZZ_CHECK(replies.empty());
    model->layout.SelectKeyboard(expected.keyboard);
    return;
  }
  FUZZ_CHECK(replies.size() == 1);
  const std::string& reply = replies[0];
  FUZZ_CHECK(!reply.empty() && reply.back() == '\n');
  FUZZ_CHECK(reply.find('\n') == reply.size() - 1);
  const Json::Value value = ParseStrictly(reply);
  FUZZ_CHECK(reply::Write(value) == reply);
  FUZZ_CHECK(value.isArray() && value.size() == 2 && value[0].isString());
  if (expected.kind == Expected::Kind::kError) {
    FUZZ_CHECK(value[0].asString() == reply::kResponseError);
    FUZZ_CHECK(value[1].isString());
    FUZZ_CHECK(value[1].asString() == expected.error);
    return;
  }
  FUZZ_CHECK(value[0].asString() == reply::kResponseSuccess);
  FUZZ_CHECK(value[1].isArray() && value[1].size() == 1);
  CheckSuccess(value[1][0], expected, model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const char separator = static_cast<char>(input.Byte());
  const std::vector<std::string> records =
      fuzzing::Split(input.Rest(), separator);

  fuzzing::CerrCapture capture;
  TestHost host;
  host.fetcher().Add(kHanjaURL, PiecedTable(kHanjaPieces));
  host.fetcher().Add(kSymbolURL, PiecedTable(kSymbolPieces));
  VELT_Instance instance = host.Create();
  FUZZ_CHECK(instance != 0);
  Model model;

  for (const std::string& record : records) {
    const char tag = record.empty() ? 0 : record[0];
    const std::string rest = record.empty() ? record : record.substr(1);
    Var message;
    switch (tag) {
      case 0x01:
        message = Var();
        break;
      case 0x02:
        message = Var(Var::Null());
        break;
      case 0x03:
        message = Var(!rest.empty());
        break;
      case 0x04:
        message =
            Var(static_cast<int32_t>(std::strtol(rest.c_str(), nullptr, 10)));
        break;
      case 0x05:
        message = Var(std::strtod(rest.c_str(), nullptr));
        break;
      case 0x06:
        message = Var::ArrayBuffer(rest);
        break;
      case 0x07:
        message = Var(rest);
        break;
      case 0x08:
        host.Destroy(instance);
        host.RunUntilIdle();
        instance = host.Create();
        FUZZ_CHECK(instance != 0);
        model.Restart();
        continue;
      case 0x09:
      case 0x0A:
        if (host.fetcher().Resume(tag == 0x09 ? kHanjaURL : kSymbolURL)) {
          model.Played(tag - 0x09);
        }
        host.RunUntilIdle();
        continue;
      default:
        message = Var(record);
        break;
    }
    CheckReplies(host.Send(instance, message), Classify(message), &model);
  }
  return 0;
}
