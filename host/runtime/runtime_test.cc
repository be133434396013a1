// The runtime's rules for messages, callbacks and URL loading, each shown
// on a small probe module.
#include "host/runtime/runtime.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/completion_callback.h"
#include "host/instance.h"
#include "host/module.h"
#include "host/testing/test_host.h"
#include "host/url_loader.h"

namespace {

// Echoes every message back, prefixed with "echo:".
class ProbeInstance final : public velt::Instance {
 public:
  explicit ProbeInstance(VELT_Instance instance) : velt::Instance(instance) {
    last_created = this;
  }
  ~ProbeInstance() override {
    if (last_created == this) last_created = nullptr;
  }
  void HandleMessage(const velt::Var& message) override {
    PostMessage(velt::Var("echo:" + message.AsString()));
  }
  static ProbeInstance* last_created;
};
ProbeInstance* ProbeInstance::last_created = nullptr;

class ProbeModule final : public velt::Module {
 public:
  velt::Instance* CreateInstance(VELT_Instance instance) override {
    return new ProbeInstance(instance);
  }
};

// Records every result its callbacks receive.
class Recorder {
 public:
  Recorder() : factory_(this) {}
  velt::CompletionCallback Required() {
    return factory_.NewCallback(&Recorder::OnDone);
  }
  velt::CompletionCallback Optional() {
    return factory_.NewOptionalCallback(&Recorder::OnDone);
  }
  void OnDone(int32_t result) { results.push_back(result); }

  std::vector<int32_t> results;

 private:
  velt::CompletionCallbackFactory<Recorder, velt::ThreadSafeThreadTraits>
      factory_;
};

class RuntimeTest : public testing::Test {
 protected:
  RuntimeTest()
      : instance_(host_.Create()), probe_(ProbeInstance::last_created) {}

  std::unique_ptr<velt::URLLoader> OpenLoader(const std::string& url,
                                              Recorder* recorder,
                                              bool record_progress = true) {
    velt::URLRequestInfo request(probe_);
    request.SetProperty(VELT_URLREQUESTPROPERTY_URL, velt::Var(url));
    request.SetProperty(VELT_URLREQUESTPROPERTY_METHOD, velt::Var("GET"));
    request.SetProperty(VELT_URLREQUESTPROPERTY_RECORDDOWNLOADPROGRESS,
                        velt::Var(record_progress));
    auto loader = std::make_unique<velt::URLLoader>(probe_);
    EXPECT_EQ(loader->Open(request, recorder->Required()),
              VELT_OK_COMPLETIONPENDING);
    return loader;
  }

  velt::testing::TestHost host_;
  VELT_Instance instance_;
  ProbeInstance* probe_;
  char buffer_[64] = {};
};

TEST_F(RuntimeTest, MessagesAndRepliesRunLaterAndInOrder) {
  host_.runtime().DeliverMessage(instance_, velt::Var("a"));
  host_.runtime().DeliverMessage(instance_, velt::Var("b"));
  EXPECT_FALSE(host_.queue().empty());
  EXPECT_EQ(host_.Send(instance_, velt::Var("c")),
            (std::vector<std::string>{"echo:a", "echo:b", "echo:c"}));
}

TEST_F(RuntimeTest, RepliesOfADestroyedInstanceAreDropped) {
  probe_->PostMessage(velt::Var("late"));
  host_.Destroy(instance_);
  EXPECT_EQ(host_.runtime().instance_count(), 0u);
  host_.RunUntilIdle();  // the queued reply must not reach a dead sink
  EXPECT_TRUE(host_.Send(instance_, velt::Var("x")).empty());
}

TEST_F(RuntimeTest, RequiredCallbackRunsOnceAndNeverInsideTheCall) {
  host_.fetcher().Add("http://test.invalid/page/t.txt",
                      velt::testing::Script::Ok("body"));
  Recorder recorder;
  auto loader = OpenLoader("t.txt", &recorder);
  EXPECT_TRUE(recorder.results.empty());
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, std::vector<int32_t>{VELT_OK});
  EXPECT_EQ(host_.fetcher().requested(),
            std::vector<std::string>{"http://test.invalid/page/t.txt"});
  EXPECT_EQ(loader->GetResponseInfo()
                .GetProperty(VELT_URLRESPONSEPROPERTY_STATUSCODE)
                .AsInt(),
            200);
  // A read that could finish at once still runs a required callback later.
  EXPECT_EQ(
      loader->ReadResponseBody(buffer_, sizeof(buffer_), recorder.Required()),
      VELT_OK_COMPLETIONPENDING);
  EXPECT_EQ(recorder.results.size(), 1u);
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, (std::vector<int32_t>{VELT_OK, 4}));
  EXPECT_EQ(std::string(buffer_, 4), "body");
}

TEST_F(RuntimeTest, OptionalCallbackDoesNotRunWhenTheReadFinishesAtOnce) {
  host_.fetcher().Add("http://test.invalid/page/t.txt",
                      velt::testing::Script::Ok("abcdef", 3));
  Recorder recorder;
  auto loader = OpenLoader("t.txt", &recorder);
  host_.RunUntilIdle();
  EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()), 6);
  EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()),
            VELT_OK);
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, std::vector<int32_t>{VELT_OK});
}

TEST_F(RuntimeTest, PendingReadCompletesWhenDataArrives) {
  host_.fetcher().Add("http://test.invalid/page/t.txt",
                      velt::testing::Script()
                          .Response(velt::Var(200), 5)
                          .Pause()
                          .Data("hello")
                          .End());
  Recorder recorder;
  auto loader = OpenLoader("t.txt", &recorder);
  host_.RunUntilIdle();
  int64_t received = -1, total = -1;
  ASSERT_TRUE(loader->GetDownloadProgress(&received, &total));
  EXPECT_EQ(received, 0);
  EXPECT_EQ(total, 5);
  EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()),
            VELT_OK_COMPLETIONPENDING);
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results.size(), 1u);
  host_.fetcher().Resume("http://test.invalid/page/t.txt");
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, (std::vector<int32_t>{VELT_OK, 5}));
  EXPECT_EQ(std::string(buffer_, 5), "hello");
}

TEST_F(RuntimeTest, BytesBeforeANetworkErrorAreReadBeforeTheError) {
  host_.fetcher().Add(
      "http://test.invalid/page/t.txt",
      velt::testing::Script().Response(velt::Var(200)).Data("abc").Error());
  Recorder recorder;
  auto loader = OpenLoader("t.txt", &recorder);
  host_.RunUntilIdle();
  EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()), 3);
  EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()),
            VELT_ERROR_FAILED);
}

// Found by the download fuzzer: an error reported after the end turned a
// finished body into a failed one whenever it arrived before the last read.
TEST_F(RuntimeTest, TheFirstEndOrErrorOfTheBodyCounts) {
  struct Case {
    const char* name;
    velt::testing::Script script;
    int32_t last_read;
  };
  const Case kCases[] = {
      {"end, then error",
       velt::testing::Script()
           .Response(velt::Var(200))
           .Data("abc")
           .End()
           .Error(),
       VELT_OK},
      {"error, then end",
       velt::testing::Script()
           .Response(velt::Var(200))
           .Data("abc")
           .Error()
           .End(),
       VELT_ERROR_FAILED},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    host_.fetcher().Add("http://test.invalid/page/t.txt", c.script);
    Recorder recorder;
    auto loader = OpenLoader("t.txt", &recorder);
    host_.RunUntilIdle();  // every event has arrived before the first read
    EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()), 3);
    EXPECT_EQ(loader->ReadResponseBody(buffer_, 64, recorder.Optional()),
              c.last_read);
  }
}

TEST_F(RuntimeTest, FailedOpenAndProgressThatWasNotAskedFor) {
  host_.fetcher().Add("http://test.invalid/page/a",
                      velt::testing::Script().OpenFails());
  Recorder recorder;
  auto failed = OpenLoader("a", &recorder);
  auto missing = OpenLoader("/elsewhere/b", &recorder, false);
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results,
            (std::vector<int32_t>{VELT_ERROR_FAILED, VELT_OK}));
  EXPECT_TRUE(failed->GetResponseInfo().is_null());
  EXPECT_EQ(missing->GetResponseInfo()
                .GetProperty(VELT_URLRESPONSEPROPERTY_STATUSCODE)
                .AsInt(),
            404);
  int64_t received, total;
  EXPECT_FALSE(missing->GetDownloadProgress(&received, &total));
  EXPECT_EQ(host_.fetcher().requested().back(),
            "http://test.invalid/elsewhere/b");
}

// Counts its callbacks into a counter that outlives it.
class Counter {
 public:
  explicit Counter(int* count) : count_(count), factory_(this) {}
  velt::CompletionCallback Callback() {
    return factory_.NewCallback(&Counter::Count);
  }
  void Count(int32_t) { ++*count_; }

 private:
  int* count_;
  velt::CompletionCallbackFactory<Counter, velt::ThreadSafeThreadTraits>
      factory_;
};

TEST_F(RuntimeTest, CallbackOfAGoneObjectCallsNothing) {
  host_.fetcher().Add("http://test.invalid/page/t.txt",
                      velt::testing::Script::Ok("x"));
  int count = 0;
  auto counter = std::make_unique<Counter>(&count);
  velt::URLRequestInfo request(probe_);
  request.SetProperty(VELT_URLREQUESTPROPERTY_URL, velt::Var("t.txt"));
  velt::URLLoader loader(probe_);
  loader.Open(request, counter->Callback());
  velt::CompletionCallback kept = counter->Callback();
  counter.reset();
  host_.RunUntilIdle();
  kept.Run(VELT_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(RuntimeTest, DestroyedInstanceEndsPendingOperationsWithAborted) {
  host_.fetcher().Add("http://test.invalid/page/slow",
                      velt::testing::Script().Pause().Response(velt::Var(200)));
  host_.fetcher().Add("http://test.invalid/page/open",
                      velt::testing::Script().Response(velt::Var(200)).Pause());
  Recorder recorder;
  auto opening = OpenLoader("slow", &recorder);
  auto reading = OpenLoader("open", &recorder);
  host_.RunUntilIdle();
  EXPECT_EQ(reading->ReadResponseBody(buffer_, 64, recorder.Optional()),
            VELT_OK_COMPLETIONPENDING);
  host_.Destroy(instance_);
  EXPECT_EQ(host_.fetcher().live_fetches(), 0u);
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, (std::vector<int32_t>{VELT_OK, VELT_ERROR_ABORTED,
                                                    VELT_ERROR_ABORTED}));
  // Later operations fail at once, and the resumed script reaches nothing.
  EXPECT_EQ(reading->ReadResponseBody(buffer_, 64, recorder.Optional()),
            VELT_ERROR_ABORTED);
  EXPECT_FALSE(host_.fetcher().Resume("http://test.invalid/page/slow"));
}

TEST_F(RuntimeTest, DestroyedLoaderRunsItsPendingCallbackWithAborted) {
  host_.fetcher().Add("http://test.invalid/page/t",
                      velt::testing::Script().Pause().Response(velt::Var(200)));
  Recorder recorder;
  auto loader = OpenLoader("t", &recorder);
  loader.reset();
  EXPECT_TRUE(recorder.results.empty());
  host_.RunUntilIdle();
  EXPECT_EQ(recorder.results, std::vector<int32_t>{VELT_ERROR_ABORTED});
}

// An object whose callback deletes the object itself, as a download does
// when it completes.
class SelfDeleting {
 public:
  explicit SelfDeleting(int* done) : done_(done), factory_(this) {}
  velt::CompletionCallback Callback() {
    return factory_.NewCallback(&SelfDeleting::Finish);
  }
  void Finish(int32_t) {
    ++*done_;
    delete this;
  }

 private:
  int* done_;
  velt::CompletionCallbackFactory<SelfDeleting, velt::ThreadSafeThreadTraits>
      factory_;
};

TEST(CompletionCallbackFactory, MethodMayDeleteItsOwnObject) {
  int done = 0;
  velt::CompletionCallback callback = (new SelfDeleting(&done))->Callback();
  callback.Run(VELT_OK);
  callback.Run(VELT_OK);  // the object is gone: nothing is called
  EXPECT_EQ(done, 1);
}

}  // namespace

namespace velt {
Module* CreateModule() { return new ProbeModule(); }
}  // namespace velt
