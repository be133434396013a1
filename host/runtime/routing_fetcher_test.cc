#include "host/runtime/routing_fetcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/runtime/task_queue.h"
#include "host/testing/scripted_fetcher.h"

namespace {

using velt::testing::Script;
using velt::testing::ScriptedFetcher;

class Log final : public velt::runtime::FetchSink {
 public:
  void OnOpenFailed() override { text += "failed;"; }
  void OnResponse(const velt::Var& status, int64_t) override {
    text += "status " + std::to_string(status.AsInt()) + ";";
  }
  void OnBodyData(const char* data, size_t size) override {
    text.append(data, size).append(";");
  }
  void OnBodyEnd() override { text += "end;"; }
  void OnBodyError() override { text += "error;"; }

  std::string text;
};

class RoutingFetcherTest : public testing::Test {
 protected:
  RoutingFetcherTest() : files_(&queue_), web_(&queue_), router_(&queue_) {
    router_.Route("file", &files_);
    router_.Route("http", &web_);
    files_.Add("file:///page/a.txt", Script::Ok("from files"));
    web_.Add("http://h/page/a.txt", Script::Ok("from the web"));
    web_.Add("HTTP://H/page/a.txt", Script::Ok("upper case"));
  }

  std::string Fetch(const std::string& url) {
    Log log;
    auto fetch = router_.Start(url, &log);
    EXPECT_EQ(log.text, "") << "an event inside Start";
    queue_.RunUntilIdle();
    return log.text;
  }

  velt::runtime::TaskQueue queue_;
  ScriptedFetcher files_;
  ScriptedFetcher web_;
  velt::runtime::RoutingFetcher router_;
};

TEST_F(RoutingFetcherTest, SendsEachUrlToTheFetcherOfItsScheme) {
  struct Case {
    const char* url;
    const char* events;
  };
  const Case cases[] = {
      {"file:///page/a.txt", "status 200;from files;end;"},
      {"http://h/page/a.txt", "status 200;from the web;end;"},
      {"HTTP://H/page/a.txt", "status 200;upper case;end;"},
      {"https://h/page/a.txt", "failed;"},
      {"ftp://h/page/a.txt", "failed;"},
      {"page/a.txt", "failed;"},
      {"", "failed;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(Fetch(c.url), c.events);
  }
  EXPECT_EQ(files_.requested(), std::vector<std::string>{"file:///page/a.txt"});
  EXPECT_EQ(
      web_.requested(),
      (std::vector<std::string>{"http://h/page/a.txt", "HTTP://H/page/a.txt"}));
}

TEST_F(RoutingFetcherTest, DestroyedFetchOfAnUnknownSchemeSaysNothing) {
  Log log;
  router_.Start("gopher://h/", &log).reset();
  queue_.RunUntilIdle();
  EXPECT_EQ(log.text, "");
}

}  // namespace
