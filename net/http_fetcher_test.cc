#include "net/http_fetcher.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/testing/loopback_server.h"
#include "net/testing/run_until.h"

namespace {

using net::testing::LoopbackServer;
using std::chrono::milliseconds;

// Writes down the events of one fetch. The body's pieces are kept apart.
class Transcript final : public velt::runtime::FetchSink {
 public:
  void OnOpenFailed() override { Note("open failed"); }
  void OnResponse(const velt::Var& status, int64_t total) override {
    Note("status " + std::to_string(status.AsInt()) + " size " +
         std::to_string(total));
  }
  void OnBodyData(const char* data, size_t size) override {
    if (pieces.empty()) Note("data");
    pieces.emplace_back(data, size);
  }
  void OnBodyEnd() override { Note("end"); }
  void OnBodyError() override { Note("error"); }

  bool finished() const {
    return !events.empty() &&
           (events.back() == "open failed" || events.back() == "end" ||
            events.back() == "error");
  }
  std::string body() const {
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    return all;
  }

  std::vector<std::string> events;
  std::vector<std::string> pieces;

 private:
  void Note(const std::string& event) {
    events.push_back(event);
    if (after_event) after_event();
  }

 public:
  std::function<void()> after_event;
};

class HttpFetcherTest : public testing::Test {
 protected:
  // Fetches `url` and runs the loop until the fetch has finished, or for
  // at most a few seconds should it never finish.
  void Fetch(const std::string& url, Transcript* transcript) {
    std::unique_ptr<velt::runtime::Fetch> fetch =
        fetcher_.Start(url, transcript);
    EXPECT_TRUE(transcript->events.empty()) << "an event inside Start";
    RunUntil([transcript] { return transcript->finished(); });
  }
  template <typename Done>
  void RunUntil(Done done) {
    net::testing::RunUntil(io_, done, kPatience);
  }

  // Runs the loop for `duration`, whatever is left to do.
  void RunFor(milliseconds duration) {
    boost::asio::steady_timer timer(io_, duration);
    timer.async_wait([](const boost::system::error_code&) {});
    io_.restart();
    io_.run();
  }

  static constexpr milliseconds kPatience{10000};

  LoopbackServer server_;
  boost::asio::io_context io_;
  net::HttpFetcher fetcher_{io_};
};

TEST_F(HttpFetcherTest, StatusesAndBodies) {
  struct Case {
    const char* name;
    LoopbackServer::Reply reply;
    std::vector<std::string> events;
    std::string body;
  };
  const std::string big(1 << 20, 'z');
  const std::vector<Case> cases = {
      {"200",
       LoopbackServer::Response(200, "hello"),
       {"status 200 size 5", "data", "end"},
       "hello"},
      {"404 with a body",
       LoopbackServer::Response(404, "nope"),
       {"status 404 size 4", "data", "end"},
       "nope"},
      {"204",
       {{"HTTP/1.1 204 No Content\r\n\r\n"}},
       {"status 204 size -1", "end"},
       ""},
      {"206",
       LoopbackServer::Response(206, "part"),
       {"status 206 size 4", "data", "end"},
       "part"},
      {"empty 200",
       LoopbackServer::Response(200, ""),
       {"status 200 size 0", "end"},
       ""},
      {"a megabyte",
       LoopbackServer::Response(200, big),
       {"status 200 size 1048576", "data", "end"},
       big},
      {"chunked",
       {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"}},
       {"status 200 size -1", "data", "end"},
       "hello world"},
      {"up to the close",
       {{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nto the end"}},
       {"status 200 size -1", "data", "end"},
       "to the end"},
      {"HTTP/1.0",
       {{"HTTP/1.0 200 OK\r\n\r\nold style"}},
       {"status 200 size -1", "data", "end"},
       "old style"},
      {"cut after 40 of 100 bytes",
       {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" +
         std::string(40, 'c')}},
       {"status 200 size 100", "data", "error"},
       std::string(40, 'c')},
      {"cut inside a chunk",
       {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "a\r\nabc"}},
       {"status 200 size -1", "data", "error"},
       "abc"},
      {"closed before any response", {}, {"open failed"}, ""},
      {"cut inside the header",
       {{"HTTP/1.1 200 OK\r\nContent-Le"}},
       {"open failed"},
       ""},
      {"a status that is not a number",
       {{"HTTP/1.1 abc OK\r\n\r\n"}},
       {"open failed"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Add("/t.txt", c.reply);
    Transcript transcript;
    Fetch(server_.Url("/t.txt"), &transcript);
    EXPECT_EQ(transcript.events, c.events);
    EXPECT_EQ(transcript.body(), c.body);
  }
}

TEST_F(HttpFetcherTest, SendsAGetForThePathAndQuery) {
  Transcript transcript;
  Fetch(server_.Url("/dir/a%20b.txt?x=1#fragment"), &transcript);
  EXPECT_EQ(transcript.events,
            (std::vector<std::string>{"status 404 size 0", "end"}));
  EXPECT_EQ(server_.requests(),
            std::vector<std::string>{"GET /dir/a%20b.txt?x=1 HTTP/1.1"});
}

TEST_F(HttpFetcherTest, PiecesArriveAsTheServerSendsThem) {
  server_.Add("/slow.txt",
              {{"HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nfirst"},
               {"secon", milliseconds(150)},
               {"third", milliseconds(150)}});
  Transcript transcript;
  Fetch(server_.Url("/slow.txt"), &transcript);
  EXPECT_EQ(transcript.events,
            (std::vector<std::string>{"status 200 size 15", "data", "end"}));
  EXPECT_EQ(transcript.body(), "firstseconthird");
  // A client that waited for the whole body would deliver one piece.
  EXPECT_GE(transcript.pieces.size(), 2u);
  EXPECT_EQ(transcript.pieces[0], "first");
}

TEST_F(HttpFetcherTest, UnreachableOrMalformedUrlsFailToOpen) {
  const std::string refused =
      "http://127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()) + "/";
  for (const std::string& url :
       {refused, std::string("http://"), std::string("http://:80/"),
        std::string("http://127.0.0.1:99999/"),
        std::string("http://127.0.0.1:8x/"),
        std::string("http://user@127.0.0.1/"), std::string("ftp://127.0.0.1/"),
        std::string("http://[::1/")}) {
    SCOPED_TRACE(url);
    Transcript transcript;
    Fetch(url, &transcript);
    EXPECT_EQ(transcript.events, std::vector<std::string>{"open failed"});
  }
}

TEST_F(HttpFetcherTest, DestroyedFetchDeliversNothingMore) {
  server_.Add("/slow.txt",
              {{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello"},
               {"world", milliseconds(200)}});
  struct Case {
    const char* name;
    size_t events_before_cancel;  // 0: cancel right after Start
  };
  for (const Case& c :
       {Case{"while connecting", 0}, Case{"after the status", 1},
        Case{"after the first piece", 2}}) {
    SCOPED_TRACE(c.name);
    Transcript transcript;
    std::unique_ptr<velt::runtime::Fetch> fetch =
        fetcher_.Start(server_.Url("/slow.txt"), &transcript);
    transcript.after_event = [&] {
      if (transcript.events.size() == c.events_before_cancel) fetch.reset();
    };
    if (c.events_before_cancel == 0) fetch.reset();
    // Long enough for the whole reply to have come, were it still wanted.
    RunFor(milliseconds(600));
    EXPECT_EQ(transcript.events.size(), c.events_before_cancel);
  }
}

}  // namespace
