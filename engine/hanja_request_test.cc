// Hanja requests end to end: the instance downloads its tables through the
// host, and requests are answered from what has arrived.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"
#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

using velt::testing::Script;
using velt::testing::TestHost;

constexpr char kHanjaTable[] =
    "# readings in order, the commonest candidate first\n"
    "가:可:옳을 가\n"
    "대:大:큰 대\n"
    "대:對:대할 대\n"
    "대한:大韓:\n"
    "대한민국:大韓民國:\n"
    "따:\"引\":\"인용\"\tand a tab\n";
constexpr char kSymbolTable[] =
    "가:㉠:\n"
    "ㄱ:！:\n"
    "ㄱ:＂:quotation mark\n";

std::string Request(const std::string& text, long long num) {
  return R"({"app":"ime","text":")" + text + R"(","num":)" +
         std::to_string(num) + "}";
}

std::string NullReply(const std::string& text) {
  return R"(["SUCCESS",[[")" + text +
         R"(",null,null,{"annotation":null,"candidate_type":null,"is_confident":null,"matched_length":null}]]])"
         "\n";
}

class HanjaRequestTest : public testing::Test {
 protected:
  static std::string Url(const std::string& name) {
    return std::string(TestHost::kPageUrl) + name;
  }
  // Serves both tables, each held at a pause until Release.
  void ServePaused() {
    host_.fetcher().Add(
        Url("hanja.txt"),
        Script().Pause().Response(velt::Var(200)).Data(kHanjaTable).End());
    host_.fetcher().Add(
        Url("symbol.txt"),
        Script().Pause().Response(velt::Var(200)).Data(kSymbolTable).End());
  }
  void Release(const std::string& name) {
    ASSERT_TRUE(host_.fetcher().Resume(Url(name)));
    host_.RunUntilIdle();
  }
  std::string Ask(VELT_Instance instance, const std::string& text,
                  long long num) {
    return host_.Ask(instance, velt::Var(Request(text, num)));
  }

  TestHost host_;
};

TEST_F(HanjaRequestTest, RepliesFromBothTables) {
  host_.fetcher().Add(Url("hanja.txt"), Script::Ok(kHanjaTable));
  host_.fetcher().Add(Url("symbol.txt"), Script::Ok(kSymbolTable));
  VELT_Instance instance = host_.Create();
  host_.RunUntilIdle();
  EXPECT_EQ(host_.fetcher().requested(),
            (std::vector<std::string>{Url("hanja.txt"), Url("symbol.txt")}));
  struct Case {
    std::string text;
    long long num;
    std::string reply;
  };
  const Case cases[] = {
      {"대한민국", 0,
       R"(["SUCCESS",[["대한민국",["大韓民國","大韓","大","對"],[4,2,1,1],{"annotation":["","","큰 대","대할 대"],"candidate_type":[0,0,0,0],"is_confident":[0,0,0,0],"matched_length":[4,2,1,1]}]]])"},
      {"대한민국", 1,
       R"(["SUCCESS",[["대한민국",["大韓民國"],[4],{"annotation":[""],"candidate_type":[0],"is_confident":[0],"matched_length":[4]}]]])"},
      {"대한민국", -1,
       R"(["SUCCESS",[["대한민국",["大韓民國","大韓","大","對"],[4,2,1,1],{"annotation":["","","큰 대","대할 대"],"candidate_type":[0,0,0,0],"is_confident":[0,0,0,0],"matched_length":[4,2,1,1]}]]])"},
      {"가", 0,
       R"(["SUCCESS",[["가",["可","㉠"],[1,1],{"annotation":["옳을 가",""],"candidate_type":[0,0],"is_confident":[0,0],"matched_length":[1,1]}]]])"},
      {"ㄱ", 0,
       R"(["SUCCESS",[["ㄱ",["！","＂"],[1,1],{"annotation":["","quotation mark"],"candidate_type":[0,0],"is_confident":[0,0],"matched_length":[1,1]}]]])"},
      {"따", 0,
       R"(["SUCCESS",[["따",["\"引\""],[1],{"annotation":["\"인용\"\tand a tab"],"candidate_type":[0],"is_confident":[0],"matched_length":[1]}]]])"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " " + std::to_string(c.num));
    EXPECT_EQ(Ask(instance, c.text, c.num), c.reply + "\n");
  }
  EXPECT_EQ(Ask(instance, "나", 0), NullReply("나"));
}

TEST_F(HanjaRequestTest, RequestsBeforeTheTablesFindWhatHasArrived) {
  ServePaused();
  VELT_Instance instance = host_.Create();
  host_.RunUntilIdle();
  EXPECT_EQ(Ask(instance, "가", 0), NullReply("가"));
  Release("symbol.txt");
  EXPECT_EQ(
      Ask(instance, "가", 0),
      R"(["SUCCESS",[["가",["㉠"],[1],{"annotation":[""],"candidate_type":[0],"is_confident":[0],"matched_length":[1]}]]])"
      "\n");
  Release("hanja.txt");
  // The table parsed first keeps its entries first among equal readings.
  EXPECT_EQ(
      Ask(instance, "가", 0),
      R"(["SUCCESS",[["가",["㉠","可"],[1,1],{"annotation":["","옳을 가"],"candidate_type":[0,0],"is_confident":[0,0],"matched_length":[1,1]}]]])"
      "\n");
}

TEST_F(HanjaRequestTest, ACutTableKeepsTheLinesThatArrived) {
  host_.fetcher().Add(Url("hanja.txt"), Script()
                                            .Response(velt::Var(200), 1000)
                                            .Data("가:可:옳을 가\n가:家:집")
                                            .Error());
  testing::internal::CaptureStderr();
  VELT_Instance instance = host_.Create();
  host_.RunUntilIdle();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "velt::URLLoader::ReadResponseBody() result < 0: hanja.txt\n"
            "velt::URLLoader::Open() failed: symbol.txt Status code: 404\n");
  EXPECT_EQ(
      Ask(instance, "가", 0),
      R"(["SUCCESS",[["가",["可","家"],[1,1],{"annotation":["옳을 가","집"],"candidate_type":[0,0],"is_confident":[0,0],"matched_length":[1,1]}]]])"
      "\n");
}

// The dictionary outlives its instance only while a download into it can
// still complete.
TEST_F(HanjaRequestTest, DictionaryIsFreedOnceNoDownloadCanReachIt) {
  struct Case {
    const char* name;
    std::vector<std::string> done_before;  // tables released before Destroy
  };
  const Case cases[] = {
      {"both downloads pending", {}},
      {"one download pending", {"symbol.txt"}},
      {"no download pending", {"symbol.txt", "hanja.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t before = HanjaLookup::live_count();
    {
      TestHost host;
      host.fetcher().Add(
          Url("hanja.txt"),
          Script().Pause().Response(velt::Var(200)).Data(kHanjaTable).End());
      host.fetcher().Add(
          Url("symbol.txt"),
          Script().Pause().Response(velt::Var(200)).Data(kSymbolTable).End());
      VELT_Instance instance = host.Create();
      host.RunUntilIdle();
      for (const std::string& name : c.done_before) {
        host.fetcher().Resume(Url(name));
        host.RunUntilIdle();
      }
      EXPECT_EQ(HanjaLookup::live_count(), before + 1);
      testing::internal::CaptureStderr();
      host.Destroy(instance);
      if (c.done_before.size() == 2) {
        EXPECT_EQ(HanjaLookup::live_count(), before);
      } else {
        EXPECT_EQ(HanjaLookup::live_count(), before + 1);
      }
      // The host ends the downloads of the destroyed instance; each
      // completion reaches the dictionary, and the last one frees it.
      host.RunUntilIdle();
      EXPECT_EQ(HanjaLookup::live_count(), before);
      host.fetcher().Resume(Url("hanja.txt"));
      host.fetcher().Resume(Url("symbol.txt"));
      host.RunUntilIdle();
      testing::internal::GetCapturedStderr();
      EXPECT_EQ(host.fetcher().live_fetches(), 0u);
    }
    EXPECT_EQ(HanjaLookup::live_count(), before);
  }
}

}  // namespace
