// Faults injected through the host at every point they can strike: a table
// download that fails before its body or after any byte of it, an instance
// destroyed after any task of its downloads, and requests between any two
// pieces of a table. In the sanitizer build these tests also show that
// nothing is used after it is freed and nothing leaks.
#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"
#include "dictionary/testing/table_oracle.h"
#include "host/testing/cerr_capture.h"
#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

using hanja_match::testing::ParsedTable;
using hanja_match::testing::ParseTable;
using velt::testing::Script;
using velt::testing::TestHost;

// Lines that a cut can leave whole, short of their annotation, short of a
// ":" or in the middle of a character.
constexpr char kHanjaTable[] =
    "# 한자\n"
    "대:大:큰 대\n"
    "대:對:대할 대\n"
    "대한:大韓:a:b\n"
    "한:韓:\n";
constexpr char kSymbolTable[] = "대:㉣:\n한:㉭:circled\n";
// Finds every reading of both tables: 대한, 대 and 한 are prefixes of
// "대한", and "한" alone.
const char* const kTexts[] = {"대한", "한"};

using velt::testing::CerrCapture;

std::string Url(const std::string& name) {
  return std::string(TestHost::kPageUrl) + name;
}

std::string Request(const std::string& text) {
  return R"({"app":"ime","text":")" + text + R"(","num":0})";
}

// A success reply's candidates, each as "value|annotation|matched length".
std::vector<std::string> Candidates(const std::string& reply) {
  Json::Value value;
  EXPECT_TRUE(Json::Reader().parse(reply, value)) << reply;
  EXPECT_EQ(value[0].asString(), "SUCCESS") << reply;
  const Json::Value& result = value[1][0];
  std::vector<std::string> candidates;
  for (Json::ArrayIndex i = 0; i < result[1].size(); ++i) {
    candidates.push_back(result[1][i].asString() + "|" +
                         result[3]["annotation"][i].asString() + "|" +
                         std::to_string(result[2][i].asUInt()));
  }
  return candidates;
}

// What the request for `text` should find once `tables` are parsed, in
// that order.
std::vector<std::string> Expected(const std::vector<ParsedTable>& tables,
                                  const std::string& text) {
  const auto sorted = hanja_match::testing::SortedEntries(tables);
  std::vector<std::string> candidates;
  for (const auto& candidate :
       hanja_match::testing::ExpectedCandidates(sorted, text, 0)) {
    candidates.push_back(candidate.entry->value + "|" +
                         candidate.entry->annotation + "|" +
                         std::to_string(candidate.matched_length));
  }
  return candidates;
}

// Each request of kTexts finds what `tables` hold.
void ExpectFinds(TestHost* host, VELT_Instance instance,
                 const std::vector<ParsedTable>& tables) {
  for (const char* text : kTexts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Candidates(host->Ask(instance, velt::Var(Request(text)))),
              Expected(tables, text));
  }
}

// Status 200, the first `cut` bytes of `body` in pieces of `piece` bytes,
// then a network error.
Script CutScript(const std::string& body, size_t cut, size_t piece) {
  Script script;
  script.Response(velt::Var(200), static_cast<int64_t>(body.size()));
  for (size_t offset = 0; offset < cut; offset += piece) {
    script.Data(body.substr(offset, std::min(piece, cut - offset)));
  }
  return script.Error();
}

TEST(FaultInjection, TableDownloadFailingAtAnyPointKeepsWhatArrived) {
  const std::string body = kHanjaTable;
  const ParsedTable symbols = ParseTable(kSymbolTable);
  const size_t before = HanjaLookup::live_count();
  for (size_t cut = 0; cut <= body.size(); ++cut) {
    SCOPED_TRACE("error after byte " + std::to_string(cut));
    const ParsedTable arrived = ParseTable(body.substr(0, cut));
    TestHost host;
    host.fetcher().Add(Url("hanja.txt"), CutScript(body, cut, 5));
    host.fetcher().Add(
        Url("symbol.txt"),
        Script().Pause().Response(velt::Var(200)).Data(kSymbolTable).End());
    CerrCapture capture;
    VELT_Instance instance = host.Create();
    host.RunUntilIdle();
    const std::string diagnostics = capture.text();
    // symbol.txt comes second, which fixes the order of equal readings.
    host.fetcher().Resume(Url("symbol.txt"));
    host.RunUntilIdle();
    EXPECT_NE(
        diagnostics.find(
            "velt::URLLoader::ReadResponseBody() result < 0: hanja.txt\n"),
        std::string::npos);
    EXPECT_EQ(diagnostics.find("Invalid hanja table: ") != std::string::npos,
              arrived.invalid);
    ExpectFinds(&host, instance, {arrived, symbols});
    host.Destroy(instance);
    host.RunUntilIdle();
    EXPECT_EQ(HanjaLookup::live_count(), before);
  }
}

TEST(FaultInjection, TableDownloadFailingBeforeItsBodyAddsNothing) {
  struct Case {
    const char* name;
    Script script;
  };
  const Case kCases[] = {
      {"open fails", Script().OpenFails()},
      {"status 404", Script().Response(velt::Var(404)).Data("대:大:\n").End()},
      {"status 206", Script().Response(velt::Var(206)).Data("대:大:\n").End()},
      {"status not a number",
       Script().Response(velt::Var("200")).Data("대:大:\n").End()},
      {"error before any byte", Script().Response(velt::Var(200)).Error()},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TestHost host;
    host.fetcher().Add(Url("hanja.txt"), c.script);
    host.fetcher().Add(Url("symbol.txt"), Script::Ok(kSymbolTable));
    CerrCapture capture;
    VELT_Instance instance = host.Create();
    host.RunUntilIdle();
    ExpectFinds(&host, instance, {ParseTable(kSymbolTable)});
  }
}

// Every task of the two downloads, from the first open to the last
// completion, is a point where the instance may go. Its dictionary must
// then live on exactly until the last download ends, and a request that
// was already queued must find nothing of the instance.
TEST(FaultInjection, InstanceDestroyedAfterAnyTaskOfItsDownloads) {
  const auto serve = [](TestHost* host) {
    host->fetcher().Add(Url("hanja.txt"), Script::Ok(kHanjaTable, 7));
    host->fetcher().Add(Url("symbol.txt"), Script()
                                               .Response(velt::Var(200))
                                               .Data("대:㉣:\n")
                                               .Pause()
                                               .Data("한:㉭:circled\n")
                                               .End());
  };
  CerrCapture capture;
  size_t tasks = 0;
  {
    TestHost host;
    serve(&host);
    host.Create();
    while (host.queue().RunOne()) ++tasks;
  }
  ASSERT_GT(tasks, 10u);

  const size_t before = HanjaLookup::live_count();
  for (size_t step = 0; step <= tasks; ++step) {
    SCOPED_TRACE("destroyed after task " + std::to_string(step));
    TestHost host;
    serve(&host);
    VELT_Instance instance = host.Create();
    for (size_t i = 0; i < step; ++i) host.queue().RunOne();
    host.runtime().DeliverMessage(instance, velt::Var(Request("대한")));
    host.Destroy(instance);
    host.RunUntilIdle();
    // A pause left for later must not bring anything back to life.
    host.fetcher().Resume(Url("symbol.txt"));
    host.RunUntilIdle();
    EXPECT_EQ(host.fetcher().live_fetches(), 0u);
    EXPECT_EQ(HanjaLookup::live_count(), before);
    EXPECT_TRUE(host.Send(instance, velt::Var(Request("대한"))).empty());
  }
}

// hanja.txt arrives one byte at a time, with a pause after each byte, and
// requests come in every pause. Until its end a table adds nothing; then it
// adds every line, and every request along the way has had its one reply.
TEST(FaultInjection, RequestsBetweenAnyTwoPiecesOfATable) {
  const std::string body = kHanjaTable;
  Script script;
  script.Response(velt::Var(200), static_cast<int64_t>(body.size()));
  for (char byte : body) script.Pause().Data(std::string(1, byte));
  script.Pause().End();

  TestHost host;
  host.fetcher().Add(Url("hanja.txt"), script);
  host.fetcher().Add(Url("symbol.txt"), Script::Ok(kSymbolTable));
  VELT_Instance instance = host.Create();
  host.RunUntilIdle();
  const ParsedTable symbols = ParseTable(kSymbolTable);
  for (size_t piece = 0; piece <= body.size(); ++piece) {
    SCOPED_TRACE("after " + std::to_string(piece) + " bytes");
    ExpectFinds(&host, instance, {symbols});
    EXPECT_EQ(
        host.Ask(instance, velt::Var(R"({"app":"ime","text":"gks","num":0})")),
        R"(["SUCCESS",[["gks",["한"],[3],{"candidate_type":[0],"is_confident":[1],"matched_length":[3]}]]])"
        "\n");
    ASSERT_TRUE(host.fetcher().Resume(Url("hanja.txt")));
    host.RunUntilIdle();
  }
  ExpectFinds(&host, instance, {symbols, ParseTable(body)});
  EXPECT_FALSE(host.runtime().HasPendingLoads(instance));
}

}  // namespace
