// The engine with its page on a real HTTP server: the tables travel over
// loopback TCP, and Hanja requests are answered from what arrived.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/runtime/runtime.h"
#include "host/var.h"
#include "net/asio_task_runner.h"
#include "net/http_fetcher.h"
#include "net/testing/loopback_server.h"
#include "net/testing/run_until.h"

namespace {

using net::testing::LoopbackServer;
using std::chrono::milliseconds;

constexpr char kTable[] =
    "# three readings\n"
    "가:可:옳을 가\n"
    "나:那:어찌 나\n"
    "다:多:많을 다\n";

std::string Request(const std::string& text) {
  return R"({"app":"ime","text":")" + text + R"(","num":0})";
}

std::string Reply(const std::string& text, const std::string& candidate,
                  const std::string& annotation) {
  return R"(["SUCCESS",[[")" + text + R"(",[")" + candidate +
         R"("],[1],{"annotation":[")" + annotation +
         R"("],"candidate_type":[0],"is_confident":[0],"matched_length":[1]}]]])"
         "\n";
}

std::string NullReply(const std::string& text) {
  return R"(["SUCCESS",[[")" + text +
         R"(",null,null,{"annotation":null,"candidate_type":null,"is_confident":null,"matched_length":null}]]])"
         "\n";
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

class HttpPageTest : public testing::Test {
 protected:
  HttpPageTest() : runner_(io_), fetcher_(io_), runtime_(&runner_, &fetcher_) {}

  // Creates an instance on `page_url` and lets its downloads finish.
  VELT_Instance Open(const std::string& page_url) {
    VELT_Instance instance =
        runtime_.CreateInstance(page_url, [this](const velt::Var& message) {
          replies_.push_back(message.AsString());
        });
    RunUntil([&] { return !runtime_.HasPendingLoads(instance); });
    EXPECT_FALSE(runtime_.HasPendingLoads(instance));
    return instance;
  }
  std::string Ask(VELT_Instance instance, const std::string& text) {
    replies_.clear();
    runtime_.DeliverMessage(instance, velt::Var(Request(text)));
    RunUntil([&] { return !replies_.empty(); });
    return replies_.size() == 1 ? replies_[0] : "<no reply>";
  }
  template <typename Done>
  void RunUntil(Done done) {
    net::testing::RunUntil(io_, done, kPatience);
  }

  static constexpr milliseconds kPatience{10000};

  LoopbackServer server_;
  boost::asio::io_context io_;
  net::AsioTaskRunner runner_;
  net::HttpFetcher fetcher_;
  velt::runtime::Runtime runtime_;
  std::vector<std::string> replies_;
};

TEST_F(HttpPageTest, TablesOverHttp) {
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: " +
                             std::to_string(sizeof(kTable) - 1) + "\r\n\r\n";
  struct Case {
    const char* name;
    LoopbackServer::Reply hanja;
    std::string diagnostics;
    std::vector<std::string> found;  // of 가, 나, 다; the others find nothing
  };
  const std::vector<Case> cases = {
      {"200", LoopbackServer::Response(200, kTable), "", {"가", "나", "다"}},
      {"in pieces with pauses, cut inside lines",
       {{header + "# three readings\n가:可:옳"},
        {"을 가\n나:那:", milliseconds(100)},
        {"어찌 나\n다:多:많을 다\n", milliseconds(100)}},
       "",
       {"가", "나", "다"}},
      {"404",
       LoopbackServer::Response(404, kTable),
       "velt::URLLoader::Open() failed: hanja.txt Status code: 404\n",
       {}},
      {"204",
       {{"HTTP/1.1 204 No Content\r\n\r\n"}},
       "velt::URLLoader::Open() failed: hanja.txt Status code: 204\n",
       {}},
      {"206",
       LoopbackServer::Response(206, kTable),
       "velt::URLLoader::Open() failed: hanja.txt Status code: 206\n",
       {}},
      {"connection closed inside the third line",
       {{header + "# three readings\n가:可:옳을 가\n나:那:어찌 나\n다:多"}},
       "velt::URLLoader::ReadResponseBody() result < 0: hanja.txt\n"
       "Invalid hanja table: 다:多\n",
       {"가", "나"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = "/" + std::to_string(&c - cases.data()) + "/";
    server_.Add(dir + "hanja.txt", c.hanja);
    server_.Add(dir + "symbol.txt", LoopbackServer::Response(200, ""));
    testing::internal::CaptureStderr();
    VELT_Instance instance = Open(server_.Url(dir));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics);
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"가", Reply("가", "可", "옳을 가")},
        {"나", Reply("나", "那", "어찌 나")},
        {"다", Reply("다", "多", "많을 다")}};
    for (const auto& [text, reply] : entries) {
      SCOPED_TRACE(text);
      const bool found =
          std::find(c.found.begin(), c.found.end(), text) != c.found.end();
      EXPECT_EQ(Ask(instance, text), found ? reply : NullReply(text));
    }
    runtime_.DestroyInstance(instance);
  }
}

TEST_F(HttpPageTest, RealTablesOverHttp) {
  server_.Add("/page/hanja.txt",
              LoopbackServer::Response(
                  200, ReadFile("/usr/share/libhangul/hanja/hanja.txt")));
  server_.Add("/page/symbol.txt",
              LoopbackServer::Response(
                  200, ReadFile("/usr/share/libhangul/hanja/mssymbol.txt")));
  testing::internal::CaptureStderr();
  VELT_Instance instance = Open(server_.Url("/page/"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  // 國 leads the entries of 국 in hanja.txt.
  EXPECT_EQ(Ask(instance, "국").rfind(R"(["SUCCESS",[["국",["國",)", 0), 0u);
  replies_.clear();
  runtime_.DeliverMessage(instance,
                          velt::Var(R"({"app":"ime","text":"가","num":3})"));
  RunUntil([&] { return !replies_.empty(); });
  ASSERT_EQ(replies_.size(), 1u);
  EXPECT_EQ(
      replies_[0],
      R"(["SUCCESS",[["가",["可","家","加"],[1,1,1],{"annotation":["옳을 가","집 가","더할 가"],"candidate_type":[0,0,0],"is_confident":[0,0,0],"matched_length":[1,1,1]}]]])"
      "\n");
  EXPECT_EQ(server_.requests(),
            (std::vector<std::string>{"GET /page/hanja.txt HTTP/1.1",
                                      "GET /page/symbol.txt HTTP/1.1"}));
}

TEST_F(HttpPageTest, RefusedConnectionLeavesTheDictionaryEmpty) {
  const std::string page =
      "http://127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()) +
      "/page/";
  testing::internal::CaptureStderr();
  VELT_Instance instance = Open(page);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "velt::URLLoader::Open() failed: hanja.txt\n"
            "velt::URLLoader::Open() failed: symbol.txt\n");
  EXPECT_EQ(Ask(instance, "가"), NullReply("가"));
}

// The command-line host with --page on the server.
TEST_F(HttpPageTest, CommandLineHostTakesAnHttpPage) {
  server_.Add("/dir/hanja.txt", LoopbackServer::Response(200, kTable));
  server_.Add("/dir/symbol.txt", LoopbackServer::Response(200, "ㄱ:！:\n"));
  const std::string input = testing::TempDir() + "http_page_test_input";
  std::ofstream(input) << Request("나") << "\n" << Request("ㄱ") << "\n";
  const std::string command = std::string(HANGUL_ENGINE_PROGRAM) + " --page " +
                              server_.Url("/dir/") + " < " + input + " 2>&1";
  FILE* program = popen(command.c_str(), "r");
  ASSERT_NE(program, nullptr);
  std::string output;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), program)) > 0) {
    output.append(buffer, count);
  }
  EXPECT_EQ(pclose(program), 0);
  EXPECT_EQ(output, Reply("나", "那", "어찌 나") + Reply("ㄱ", "！", ""));
}

}  // namespace
