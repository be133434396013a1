// The request protocol end to end: messages in through the host, replies
// out exactly as the page receives them.
#include <gtest/gtest.h>

#include <string>

#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

constexpr char kNullHanja[] =
    "null,null,{\"annotation\":null,\"candidate_type\":null,"
    "\"is_confident\":null,\"matched_length\":null}]]]\n";

class ProtocolTest : public testing::Test {
 protected:
  ProtocolTest() : instance_(host_.Create()) {}

  std::string Ask(const velt::Var& message) {
    return host_.Ask(instance_, message);
  }
  // A request that must get no reply.
  void Tell(const std::string& message) {
    EXPECT_TRUE(host_.Send(instance_, velt::Var(message)).empty()) << message;
  }
  std::string Error(const std::string& message) {
    return "[\"ERROR\",\"" + message + "\"]\n";
  }

  velt::testing::TestHost host_;
  VELT_Instance instance_;
};

TEST_F(ProtocolTest, AnswersTheDocumentedExamples) {
  struct Case {
    const char* request;
    const char* reply;
  };
  const Case kCases[] = {
      {R"({"app":"ime"})", R"(["ERROR","Invalid request: {\"app\":\"ime\"}"])"},
      {R"({"app":"ime","text":"gks","num":0})",
       R"(["SUCCESS",[["gks",["한"],[3],{"candidate_type":[0],"is_confident":[1],"matched_length":[3]}]]])"},
      {R"({"app":"ime","text":"","num":0})",
       R"(["SUCCESS",[["",null,null,{"candidate_type":null,"is_confident":null,"matched_length":null}]]])"},
      {R"({"app":"ime","text":"   ","num":0})",
       R"(["SUCCESS",[["   ",null,null,{"candidate_type":null,"is_confident":null,"matched_length":null}]]])"},
      {R"({"app":"ime","text":"rk","num":0})",
       R"(["SUCCESS",[["rk",["가"],[2],{"candidate_type":[0],"is_confident":[1],"matched_length":[2]}]]])"},
      {R"({"app":"ime","text":"dkssud","num":0})",
       R"(["SUCCESS",[["dkssud",["안","녕"],[3,3],{"candidate_type":[0,0],"is_confident":[1,0],"matched_length":[3,3]}]]])"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(Ask(velt::Var(c.request)), std::string(c.reply) + "\n");
  }
}

TEST_F(ProtocolTest, ChecksRunInOrderAndTheFirstFailureAnswers) {
  const std::string kParse = "Failed to parse request json";
  const std::string kApp = "Invalid format: property 'app' is not a string";
  const std::string kNum = "Invalid format: property 'num' isn't integer";
  struct Case {
    std::string request;
    std::string error;
  };
  const Case kCases[] = {
      {"", kParse},
      {"   \n\t", kParse},
      {R"({"app":"ime","text":"rk","num":0)", kParse},
      {"/* only a comment */", kParse},
      {R"({"app":"ime","num":+1,"text":"rk"})", kParse},
      {"null", kApp},
      {R"({"text":"rk","num":0})", kApp},
      {R"({"app":1,"text":"rk","num":0})", kApp},
      {R"({"app":null,"keyboard":"2"})", kApp},
      {R"(["app","ime"])", kApp},
      {R"("app")", kApp},
      {"42", kApp},
      {"true", kApp},
      {R"({"app":"ime","text":"rk"})", kNum},
      {R"({"app":"ime","text":"rk","num":3.5})", kNum},
      {R"({"app":"ime","text":"rk","num":3.0})", kNum},
      {R"({"app":"ime","text":"rk","num":1e2})", kNum},
      {R"({"app":"ime","text":"rk","num":"3"})", kNum},
      {R"({"app":"ime","text":"rk","num":true})", kNum},
      {R"({"app":"ime","text":"rk","num":null})", kNum},
      {R"({"app":"ime","text":"rk","num":2147483648})", kNum},
      {R"({"app":"ime","text":"rk","num":-2147483649})", kNum},
      {R"({"app":"ime","text":"rk","num":[0]})", kNum},
      {R"({"app":"ime","text":5,"keyboard":7})",
       R"(Invalid request: {\"app\":\"ime\",\"text\":5,\"keyboard\":7})"},
      {"{\"app\":\"\"} // trailing\n words",
       R"(Invalid request: {\"app\":\"\"} // trailing\n words)"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(Ask(velt::Var(c.request)), Error(c.error));
  }
}

TEST_F(ProtocolTest, MessageThatIsNotAStringIsRefused) {
  const velt::Var kVars[] = {velt::Var(5),
                             velt::Var(true),
                             velt::Var(2.5),
                             velt::Var(),
                             velt::Var(velt::Var::Null()),
                             velt::Var::ArrayBuffer("{\"app\":\"ime\"}")};
  for (const velt::Var& var : kVars) {
    SCOPED_TRACE(var.type());
    EXPECT_EQ(Ask(var), Error("Request is not a string"));
  }
}

TEST_F(ProtocolTest, DeepNestingIsAParseFailureNotACrash) {
  EXPECT_EQ(Ask(velt::Var(std::string(100000, '['))),
            Error("Failed to parse request json"));
  EXPECT_EQ(Ask(velt::Var("{\"app\":\"ime\",\"x\":" + std::string(5000, '[') +
                          std::string(5000, ']') + "}")),
            Error("Failed to parse request json"));
}

TEST_F(ProtocolTest, IntegerNumsAtTheEdgesAreAccepted) {
  for (const char* num : {"-1", "2147483647", "-2147483648", "-0"}) {
    SCOPED_TRACE(num);
    EXPECT_EQ(
        Ask(velt::Var(std::string(R"({"app":"ime","text":"r","num":)") + num +
                      "}")),
        R"(["SUCCESS",[["r",["ㄱ"],[1],{"candidate_type":[0],"is_confident":[1],"matched_length":[1]}]]])"
        "\n");
  }
}

TEST_F(ProtocolTest,
       LenientParsingIgnoresCommentsTrailingTextAndEarlierDuplicates) {
  Tell("{\"app\":\"ime\",\"keyboard\":\"3f\"} and then some words");
  EXPECT_EQ(
      Ask(velt::Var("/* c */ {// key\n\"app\" : /* a */ \"ime\", "
                    "\"text\":\"x\",\"text\":\"kf\",\"num\":0} // end")),
      R"(["SUCCESS",[["kf",["가"],[2],{"candidate_type":[0],"is_confident":[1],"matched_length":[2]}]]])"
      "\n");
}

TEST_F(ProtocolTest, TextEscapesAreDecodedAndEchoedAsRawBytes) {
  EXPECT_EQ(Ask(velt::Var(R"({"app":"ime","text":"\ud55c","num":0})")),
            "[\"SUCCESS\",[[\"한\"," + std::string(kNullHanja));
  EXPECT_EQ(Ask(velt::Var(R"({"app":"ime","text":"\ud83d\ude00","num":0})")),
            "[\"SUCCESS\",[[\"\xF0\x9F\x98\x80\"," + std::string(kNullHanja));
  EXPECT_EQ(
      Ask(velt::Var(
          "{\"app\":\"ime\",\"text\":\"a\\\"\\tb\\u0001\",\"num\":0}")),
      R"(["SUCCESS",[["a\"\tb\u0001",["ㅁ","\"","ㅠ"],[1,1,2],{"candidate_type":[0,0,0],"is_confident":[1,0,0],"matched_length":[1,1,2]}]]])"
      "\n");
}

TEST_F(ProtocolTest, ANonAsciiByteAnywhereMakesAHanjaRequest) {
  for (const char* text : {"caf\xC3\xA9", "\xED\x95\x9C", "rk\xFF"}) {
    SCOPED_TRACE(text);
    std::string request =
        std::string(R"({"app":"ime","text":")") + text + R"(","num":0})";
    EXPECT_EQ(Ask(velt::Var(request)),
              "[\"SUCCESS\",[[\"" + std::string(text) + "\"," + kNullHanja);
  }
}

TEST_F(ProtocolTest, KeyboardRequestsSwitchTheLayoutSilently) {
  const std::string kRk = R"({"app":"ime","text":"rk","num":0})";
  const std::string kGa =
      R"(["SUCCESS",[["rk",["가"],[2],{"candidate_type":[0],"is_confident":[1],"matched_length":[2]}]]])"
      "\n";
  Tell(R"({"app":"ime","keyboard":"39"})");
  EXPECT_NE(Ask(velt::Var(kRk)), kGa);
  // A string text makes a match request: its keyboard is ignored.
  EXPECT_NE(
      Ask(velt::Var(R"({"app":"ime","text":"rk","num":0,"keyboard":"2"})")),
      kGa);
  // A text that is not a string leaves the keyboard to act.
  Tell(R"({"app":"ime","text":1,"keyboard":"xyz"})");
  EXPECT_EQ(Ask(velt::Var(kRk)), kGa);
  Tell(R"({"app":"ime","keyboard":"ro"})");
  // A failed request leaves the layout alone.
  Ask(velt::Var(R"({"app":"ime","keyboard":"2","text":"r"})"));
  EXPECT_EQ(
      Ask(velt::Var(R"({"app":"ime","text":"a","num":0})")),
      R"(["SUCCESS",[["a",["아"],[1],{"candidate_type":[0],"is_confident":[1],"matched_length":[1]}]]])"
      "\n");
}

TEST_F(ProtocolTest, InstancesKeepTheirOwnLayoutAndNewOnesStartOnTwo) {
  Tell(R"({"app":"ime","keyboard":"39"})");
  VELT_Instance other = host_.Create();
  const std::string kKf = R"({"app":"ime","text":"kf","num":0})";
  // On "2" the vowel and the consonant reorder into one syllable.
  EXPECT_EQ(
      host_.Ask(other, velt::Var(kKf)),
      R"(["SUCCESS",[["kf",["라"],[2],{"candidate_type":[0],"is_confident":[1],"matched_length":[2]}]]])"
      "\n");
  EXPECT_EQ(
      Ask(velt::Var(kKf)),
      R"(["SUCCESS",[["kf",["가"],[2],{"candidate_type":[0],"is_confident":[1],"matched_length":[2]}]]])"
      "\n");
}

TEST_F(ProtocolTest, RequestsDoNotCarryCompositionOver) {
  EXPECT_EQ(
      Ask(velt::Var(R"({"app":"ime","text":"r","num":0})")),
      R"(["SUCCESS",[["r",["ㄱ"],[1],{"candidate_type":[0],"is_confident":[1],"matched_length":[1]}]]])"
      "\n");
  EXPECT_EQ(
      Ask(velt::Var(R"({"app":"ime","text":"k","num":0})")),
      R"(["SUCCESS",[["k",["ㅏ"],[1],{"candidate_type":[0],"is_confident":[1],"matched_length":[1]}]]])"
      "\n");
}

TEST_F(ProtocolTest, RepliesLeaveInRequestOrder) {
  host_.runtime().DeliverMessage(
      instance_, velt::Var(R"({"app":"ime","text":"r","num":0})"));
  host_.runtime().DeliverMessage(instance_, velt::Var("bad"));
  host_.runtime().DeliverMessage(
      instance_, velt::Var(R"({"app":"ime","text":"k","num":0})"));
  std::vector<std::string> replies = host_.Send(instance_, velt::Var("{}"));
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_NE(replies[0].find("ㄱ"), std::string::npos);
  EXPECT_EQ(replies[1], Error("Failed to parse request json"));
  EXPECT_NE(replies[2].find("ㅏ"), std::string::npos);
  EXPECT_EQ(replies[3],
            Error("Invalid format: property 'app' is not a string"));
}

}  // namespace
