#include "host/testing/scripted_fetcher.h"

#include <algorithm>
#include <utility>

#include "host/runtime/task_runner.h"

namespace velt {
namespace testing {

Script& Script::Response(const Var& status, int64_t total_bytes) {
  events_.push_back({Kind::kResponse, status, total_bytes, {}});
  return *this;
}
Script& Script::OpenFails() {
  events_.push_back({Kind::kOpenFails, Var(), -1, {}});
  return *this;
}
Script& Script::Data(const std::string& bytes) {
  events_.push_back({Kind::kData, Var(), -1, bytes});
  return *this;
}
Script& Script::End() {
  events_.push_back({Kind::kEnd, Var(), -1, {}});
  return *this;
}
Script& Script::Error() {
  events_.push_back({Kind::kError, Var(), -1, {}});
  return *this;
}
Script& Script::Pause() {
  events_.push_back({Kind::kPause, Var(), -1, {}});
  return *this;
}

Script Script::Ok(const std::string& body, size_t piece) {
  Script script;
  script.Response(Var(200), static_cast<int64_t>(body.size()));
  for (size_t offset = 0; offset < body.size(); offset += piece) {
    script.Data(body.substr(offset, piece));
  }
  script.End();
  return script;
}

struct ScriptedFetcher::Playback {
  std::string url;
  Script script;
  size_t next = 0;
  bool paused = false;
  bool alive = true;
  runtime::FetchSink* sink = nullptr;
};

class ScriptedFetcher::Handle final : public runtime::Fetch {
 public:
  explicit Handle(std::shared_ptr<Playback> playback)
      : playback_(std::move(playback)) {}
  ~Handle() override { playback_->alive = false; }

 private:
  std::shared_ptr<Playback> playback_;
};

ScriptedFetcher::ScriptedFetcher(runtime::TaskRunner* runner)
    : runner_(runner) {}

ScriptedFetcher::~ScriptedFetcher() = default;

void ScriptedFetcher::Add(const std::string& url, Script script) {
  scripts_[url] = std::move(script);
}

size_t ScriptedFetcher::live_fetches() const {
  return std::count_if(playbacks_.begin(), playbacks_.end(),
                       [](const std::weak_ptr<Playback>& weak) {
                         auto playback = weak.lock();
                         return playback && playback->alive;
                       });
}

std::unique_ptr<runtime::Fetch> ScriptedFetcher::Start(
    const std::string& url, runtime::FetchSink* sink) {
  requested_.push_back(url);
  auto playback = std::make_shared<Playback>();
  playback->url = url;
  playback->sink = sink;
  auto it = scripts_.find(url);
  playback->script =
      it != scripts_.end() ? it->second : Script().Response(Var(404), 0).End();
  playbacks_.push_back(playback);
  Play(playback);
  return std::make_unique<Handle>(playback);
}

bool ScriptedFetcher::Resume(const std::string& url) {
  bool resumed = false;
  for (const auto& weak : playbacks_) {
    auto playback = weak.lock();
    if (playback && playback->alive && playback->paused &&
        playback->url == url) {
      playback->paused = false;
      Play(playback);
      resumed = true;
    }
  }
  return resumed;
}

// Posts the events up to the next pause, one task each.
void ScriptedFetcher::Play(const std::shared_ptr<Playback>& playback) {
  const std::vector<Script::Event>& events = playback->script.events_;
  while (playback->next < events.size()) {
    const Script::Event& event = events[playback->next++];
    if (event.kind == Script::Kind::kPause) {
      playback->paused = true;
      return;
    }
    runner_->PostTask([playback, event] {
      if (!playback->alive) return;
      runtime::FetchSink* sink = playback->sink;
      switch (event.kind) {
        case Script::Kind::kResponse:
          sink->OnResponse(event.status, event.total);
          break;
        case Script::Kind::kOpenFails:
          sink->OnOpenFailed();
          break;
        case Script::Kind::kData:
          sink->OnBodyData(event.bytes.data(), event.bytes.size());
          break;
        case Script::Kind::kEnd:
          sink->OnBodyEnd();
          break;
        case Script::Kind::kError:
          sink->OnBodyError();
          break;
        case Script::Kind::kPause:
          break;
      }
    });
  }
}

}  // namespace testing
}  // namespace velt
