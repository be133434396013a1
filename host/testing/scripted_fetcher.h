// ScriptedFetcher: a fetcher whose responses a test writes down, event by
// event, including pauses that the test ends when it chooses.
#ifndef HOST_TESTING_SCRIPTED_FETCHER_H_
#define HOST_TESTING_SCRIPTED_FETCHER_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/fetcher.h"
#include "host/runtime/task_runner.h"
#include "host/var.h"

namespace velt {
namespace testing {

// One scripted response: a list of events played in order, each as its own
// task. Play stops at each Pause until Resume is called for the URL.
class Script {
 public:
  Script& Response(const Var& status, int64_t total_bytes = -1);
  Script& OpenFails();
  Script& Data(const std::string& bytes);
  Script& End();
  Script& Error();
  Script& Pause();

  // Status 200 with `body` in pieces of at most `piece` bytes, then the end.
  static Script Ok(const std::string& body, size_t piece = 1 << 20);

 private:
  friend class ScriptedFetcher;
  enum class Kind { kResponse, kOpenFails, kData, kEnd, kError, kPause };
  struct Event {
    Kind kind;
    Var status;
    int64_t total = -1;
    std::string bytes;
  };
  std::vector<Event> events_;
};

// Unscripted URLs answer 404 with an empty body. Scripts are matched by the
// absolute URL the loader asks for.
class ScriptedFetcher final : public runtime::Fetcher {
 public:
  explicit ScriptedFetcher(runtime::TaskRunner* runner);
  ~ScriptedFetcher() override;

  void Add(const std::string& url, Script script);
  // Plays the paused fetches of `url` on to their next pause. False if none
  // was paused.
  bool Resume(const std::string& url);

  // Every URL asked for, in order.
  const std::vector<std::string>& requested() const { return requested_; }
  // Fetches started and not yet destroyed.
  size_t live_fetches() const;

  std::unique_ptr<runtime::Fetch> Start(const std::string& url,
                                        runtime::FetchSink* sink) override;

 private:
  struct Playback;
  class Handle;
  void Play(const std::shared_ptr<Playback>& playback);

  runtime::TaskRunner* const runner_;
  std::map<std::string, Script> scripts_;
  std::vector<std::string> requested_;
  std::vector<std::weak_ptr<Playback>> playbacks_;
};

}  // namespace testing
}  // namespace velt

#endif  // HOST_TESTING_SCRIPTED_FETCHER_H_
