// TestHost: a runtime on a plain task queue with a scripted fetcher and a
// sink that records every reply, for tests that speak to the engine the way
// a page does.
#ifndef HOST_TESTING_TEST_HOST_H_
#define HOST_TESTING_TEST_HOST_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/runtime.h"
#include "host/runtime/task_queue.h"
#include "host/testing/scripted_fetcher.h"
#include "host/var.h"

namespace velt {
namespace testing {

class TestHost {
 public:
  // The page that instances are embedded in unless a test names another.
  static constexpr const char* kPageUrl = "http://test.invalid/page/";

  TestHost();
  ~TestHost();

  runtime::TaskQueue& queue() { return queue_; }
  ScriptedFetcher& fetcher() { return fetcher_; }
  runtime::Runtime& runtime() { return *runtime_; }

  // Creates an instance whose replies are recorded. Runs no task.
  VELT_Instance Create(const std::string& page_url = kPageUrl);
  void Destroy(VELT_Instance instance) { runtime_->DestroyInstance(instance); }

  // Delivers `message`, runs the loop until idle, and returns the replies
  // that arrived meanwhile. A reply that is not a string is recorded as
  // "<not a string>".
  std::vector<std::string> Send(VELT_Instance instance, const Var& message);
  // The one reply to `message`, or a description of what came instead.
  std::string Ask(VELT_Instance instance, const Var& message);

  void RunUntilIdle() { queue_.RunUntilIdle(); }

 private:
  runtime::TaskQueue queue_;
  ScriptedFetcher fetcher_;
  std::map<VELT_Instance, std::shared_ptr<std::vector<std::string>>> replies_;
  std::unique_ptr<runtime::Runtime> runtime_;
};

}  // namespace testing
}  // namespace velt

#endif  // HOST_TESTING_TEST_HOST_H_
