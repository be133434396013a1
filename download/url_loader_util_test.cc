#include "download/url_loader_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"
#include "host/module.h"
#include "host/runtime/fetcher.h"
#include "host/runtime/runtime.h"
#include "host/runtime/task_queue.h"
#include "host/testing/bare_module.h"
#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

using velt::testing::Script;
using velt::testing::TestHost;

constexpr char kUrl[] = "table.txt";

struct Completion {
  std::string url;
  bool success = false;
  std::string body;
  size_t capacity = 0;
};

// Records every completion of the downloads it starts.
class Recorder {
 public:
  void Start(velt::Instance* instance, const std::string& url) {
    URLLoaderUtil::StartDownload(instance, url, &Record, this);
  }
  std::vector<Completion>& completions() { return completions_; }

 private:
  static void Record(void* user_data, const std::string& url, bool success,
                     std::string* body) {
    static_cast<Recorder*>(user_data)->completions_.push_back(
        {url, success, *body, body->capacity()});
  }
  std::vector<Completion> completions_;
};

class DownloadTest : public ::testing::Test {
 protected:
  velt::Instance* instance() {
    return velt::testing::FindBareInstance(handle_);
  }
  static std::string Absolute(const std::string& name) {
    return std::string(TestHost::kPageUrl) + name;
  }
  void Start(const std::string& url = kUrl) {
    recorder_.Start(instance(), url);
  }
  std::vector<Completion>& completions() { return recorder_.completions(); }

  TestHost host_;
  VELT_Instance handle_ = host_.Create();
  Recorder recorder_;
};

std::string Bytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>('a' + i % 23);
  return bytes;
}

TEST_F(DownloadTest, OutcomesAndDiagnostics) {
  const std::string open_failed = "velt::URLLoader::Open() failed: table.txt";
  const std::string read_failed =
      "velt::URLLoader::ReadResponseBody() result < 0: table.txt\n";
  struct Case {
    const char* name;
    Script script;
    bool success;
    std::string body;
    std::string diagnostics;
  };
  const std::string long_body = Bytes(100000);
  const std::string partial = Bytes(40000);
  std::vector<Case> cases = {
      {"empty body", Script::Ok(""), true, "", ""},
      {"body in pieces of the read size", Script::Ok(long_body, 32768), true,
       long_body, ""},
      {"body in one piece", Script::Ok(long_body), true, long_body, ""},
      {"body in uneven pieces", Script::Ok(long_body, 1000), true, long_body,
       ""},
      {"404", Script().Response(velt::Var(404), 9).Data("not found").End(),
       false, "", open_failed + " Status code: 404\n"},
      {"204", Script().Response(velt::Var(204), 0).End(), false, "",
       open_failed + " Status code: 204\n"},
      {"206", Script().Response(velt::Var(206), 3).Data("abc").End(), false, "",
       open_failed + " Status code: 206\n"},
      {"negative status", Script().Response(velt::Var(-7)).End(), false, "",
       open_failed + " Status code: -7\n"},
      {"status as a string", Script().Response(velt::Var("200")).End(), false,
       "", open_failed + " Status code: not an integer\n"},
      {"status as a double", Script().Response(velt::Var(200.0)).End(), false,
       "", open_failed + " Status code: not an integer\n"},
      {"status undefined", Script().Response(velt::Var()).End(), false, "",
       open_failed + " Status code: not an integer\n"},
      {"open fails", Script().OpenFails(), false, "", open_failed + "\n"},
      {"read error after 40000 bytes",
       Script().Response(velt::Var(200), 100000).Data(partial).Error(), false,
       partial, read_failed},
      {"read error before any byte", Script().Response(velt::Var(200)).Error(),
       false, "", read_failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestHost host;
    VELT_Instance handle = host.Create();
    host.fetcher().Add(Absolute(kUrl), c.script);
    Recorder recorder;
    testing::internal::CaptureStderr();
    recorder.Start(velt::testing::FindBareInstance(handle), kUrl);
    host.RunUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics);
    ASSERT_EQ(recorder.completions().size(), 1u);
    const Completion& done = recorder.completions()[0];
    EXPECT_EQ(done.url, kUrl);
    EXPECT_EQ(done.success, c.success);
    EXPECT_EQ(done.body, c.body);
  }
}

TEST_F(DownloadTest, UnscriptedFileIsNotFound) {
  testing::internal::CaptureStderr();
  Start("missing.txt");
  host_.RunUntilIdle();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "velt::URLLoader::Open() failed: missing.txt Status code: 404\n");
  ASSERT_EQ(completions().size(), 1u);
  EXPECT_FALSE(completions()[0].success);
  EXPECT_EQ(host_.fetcher().requested(),
            std::vector<std::string>{Absolute("missing.txt")});
}

TEST_F(DownloadTest, CompletionNeverRunsInsideStartDownload) {
  host_.fetcher().Add(Absolute("fails.txt"), Script().OpenFails());
  host_.fetcher().Add(Absolute("ok.txt"), Script::Ok("x"));
  testing::internal::CaptureStderr();
  for (const char* url : {"fails.txt", "ok.txt", "missing.txt"}) {
    SCOPED_TRACE(url);
    Start(url);
    EXPECT_TRUE(completions().empty());
  }
  host_.RunUntilIdle();
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(completions().size(), 3u);
  // Each ran exactly once: nothing more arrives later.
  host_.RunUntilIdle();
  EXPECT_EQ(completions().size(), 3u);
}

TEST_F(DownloadTest, TwoDownloadsCompleteInEitherOrder) {
  for (bool first_waits : {true, false}) {
    SCOPED_TRACE(first_waits ? "first waits" : "second waits");
    TestHost host;
    VELT_Instance handle = host.Create();
    Script waiting = Script()
                         .Response(velt::Var(200))
                         .Data("slow")
                         .Pause()
                         .Data(" body")
                         .End();
    const std::string slow = first_waits ? "a.txt" : "b.txt";
    const std::string fast = first_waits ? "b.txt" : "a.txt";
    host.fetcher().Add(Absolute(slow), waiting);
    host.fetcher().Add(Absolute(fast), Script::Ok("fast body"));
    Recorder recorder;
    recorder.Start(velt::testing::FindBareInstance(handle), "a.txt");
    recorder.Start(velt::testing::FindBareInstance(handle), "b.txt");
    host.RunUntilIdle();
    ASSERT_EQ(recorder.completions().size(), 1u);
    EXPECT_EQ(recorder.completions()[0].url, fast);
    EXPECT_EQ(recorder.completions()[0].body, "fast body");
    ASSERT_TRUE(host.fetcher().Resume(Absolute(slow)));
    host.RunUntilIdle();
    ASSERT_EQ(recorder.completions().size(), 2u);
    EXPECT_EQ(recorder.completions()[1].url, slow);
    EXPECT_TRUE(recorder.completions()[1].success);
    EXPECT_EQ(recorder.completions()[1].body, "slow body");
  }
}

TEST_F(DownloadTest, InstanceDestroyedMidDownloadStillCompletesOnce) {
  struct Case {
    const char* name;
    Script script;
    std::string diagnostics;
    std::string body;
  };
  std::vector<Case> cases = {
      {"while opening", Script().Pause().Response(velt::Var(200)).End(),
       "velt::URLLoader::Open() failed: table.txt\n", ""},
      {"while reading",
       Script().Response(velt::Var(200)).Data("part").Pause().End(),
       "velt::URLLoader::ReadResponseBody() result < 0: table.txt\n", "part"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestHost host;
    VELT_Instance handle = host.Create();
    host.fetcher().Add(Absolute(kUrl), c.script);
    Recorder recorder;
    recorder.Start(velt::testing::FindBareInstance(handle), kUrl);
    host.RunUntilIdle();
    EXPECT_TRUE(recorder.completions().empty());
    testing::internal::CaptureStderr();
    host.Destroy(handle);
    EXPECT_TRUE(recorder.completions().empty());
    host.RunUntilIdle();
    host.fetcher().Resume(Absolute(kUrl));
    host.RunUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics);
    ASSERT_EQ(recorder.completions().size(), 1u);
    EXPECT_FALSE(recorder.completions()[0].success);
    EXPECT_EQ(recorder.completions()[0].body, c.body);
    EXPECT_EQ(host.fetcher().live_fetches(), 0u);
  }
}

// Found by the download fuzzer: when the instance goes, the read of the end
// may already be settled, its callback queued. The download then completes
// with success and the whole body.
TEST_F(DownloadTest, EndAlreadyReadWhenTheInstanceGoesStillSucceeds) {
  host_.fetcher().Add(
      Absolute(kUrl),
      Script().Response(velt::Var(200)).Data("part").Pause().End());
  Start();
  host_.RunUntilIdle();  // "part" is read; the next read waits
  host_.fetcher().Resume(Absolute(kUrl));
  ASSERT_TRUE(host_.queue().RunOne());  // the end settles the waiting read
  host_.Destroy(handle_);
  host_.RunUntilIdle();
  ASSERT_EQ(completions().size(), 1u);
  EXPECT_TRUE(completions()[0].success);
  EXPECT_EQ(completions()[0].body, "part");
}

// Data the host already holds is drained in one loop: a body of 31 reads
// costs no more trips through the main loop than a body of one byte.
TEST_F(DownloadTest, BodyAtHandIsReadWithoutExtraTasks) {
  auto tasks_for = [](const std::string& body) {
    TestHost host;
    VELT_Instance handle = host.Create();
    host.fetcher().Add(Absolute(kUrl), Script::Ok(body));
    Recorder recorder;
    recorder.Start(velt::testing::FindBareInstance(handle), kUrl);
    size_t tasks = host.queue().RunUntilIdle();
    EXPECT_EQ(recorder.completions().size(), 1u);
    return tasks;
  };
  EXPECT_EQ(tasks_for(Bytes(1000000)), tasks_for(Bytes(1)));
}

TEST_F(DownloadTest, ReservationIsCappedWhateverTheServerAnnounces) {
  host_.fetcher().Add(
      Absolute(kUrl),
      Script().Response(velt::Var(200), int64_t{1} << 50).Data("abc").End());
  Start();
  host_.RunUntilIdle();
  ASSERT_EQ(completions().size(), 1u);
  EXPECT_TRUE(completions()[0].success);
  EXPECT_EQ(completions()[0].body, "abc");
  EXPECT_LE(completions()[0].capacity,
            static_cast<size_t>(URLLoaderUtil::kMaxReservation));
}

// Serves `size` bytes of one repeated piece, one piece per task, without
// holding the body in memory.
class EndlessFetcher final : public velt::runtime::Fetcher {
 public:
  EndlessFetcher(velt::runtime::TaskRunner* runner, int64_t size)
      : runner_(runner), size_(size) {}

  std::unique_ptr<velt::runtime::Fetch> Start(
      const std::string&, velt::runtime::FetchSink* sink) override {
    auto fetch = std::make_unique<Handle>();
    std::shared_ptr<bool> alive = fetch->alive;
    runner_->PostTask([=] {
      if (*alive) sink->OnResponse(velt::Var(200), -1);
    });
    Feed(sink, alive, 0);
    return fetch;
  }

 private:
  struct Handle final : velt::runtime::Fetch {
    ~Handle() override { *alive = false; }
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
  };
  void Feed(velt::runtime::FetchSink* sink, std::shared_ptr<bool> alive,
            int64_t sent) {
    runner_->PostTask([=] {
      if (!*alive) return;
      if (sent == size_) {
        sink->OnBodyEnd();
        return;
      }
      int64_t count = std::min<int64_t>(piece_.size(), size_ - sent);
      sink->OnBodyData(piece_.data(), static_cast<size_t>(count));
      Feed(sink, alive, sent + count);
    });
  }

  velt::runtime::TaskRunner* const runner_;
  const int64_t size_;
  const std::string piece_ = std::string(size_t{1} << 20, 'x');
};

TEST(DownloadLimit, BodyBeyondTheHardLimitFailsAsAReadError) {
  struct Case {
    int64_t size;
    bool success;
    std::string diagnostics;
  };
  const Case cases[] = {
      {URLLoaderUtil::kMaxBodySize, true, ""},
      {URLLoaderUtil::kMaxBodySize + 1, false,
       "velt::URLLoader::ReadResponseBody() result < 0: big.txt\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    velt::runtime::TaskQueue queue;
    EndlessFetcher fetcher(&queue, c.size);
    velt::runtime::Runtime runtime(&queue, &fetcher);
    VELT_Instance handle =
        runtime.CreateInstance(TestHost::kPageUrl, [](const velt::Var&) {});
    bool done = false;
    auto record = [](void* user_data, const std::string&, bool success,
                     std::string* body) {
      auto* seen = static_cast<std::pair<bool*, Case>*>(user_data);
      *seen->first = true;
      EXPECT_EQ(success, seen->second.success);
      EXPECT_EQ(static_cast<int64_t>(body->size()),
                std::min(seen->second.size, URLLoaderUtil::kMaxBodySize));
    };
    std::pair<bool*, Case> seen(&done, c);
    testing::internal::CaptureStderr();
    URLLoaderUtil::StartDownload(velt::testing::FindBareInstance(handle),
                                 "big.txt", record, &seen);
    queue.RunUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics);
    EXPECT_TRUE(done);
  }
}

}  // namespace
