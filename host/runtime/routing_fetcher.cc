#include "host/runtime/routing_fetcher.h"

#include "host/runtime/task_runner.h"
#include "host/runtime/url.h"

namespace velt {
namespace runtime {
namespace {

// A fetch that only fails; destroying it silences the failure.
class FailedFetch final : public Fetch {
 public:
  FailedFetch(TaskRunner* runner, FetchSink* sink) {
    std::shared_ptr<bool> alive = alive_;
    runner->PostTask([alive, sink] {
      if (*alive) sink->OnOpenFailed();
    });
  }
  ~FailedFetch() override { *alive_ = false; }

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

void RoutingFetcher::Route(const std::string& scheme, Fetcher* fetcher) {
  routes_[scheme] = fetcher;
}

std::unique_ptr<Fetch> RoutingFetcher::Start(const std::string& url,
                                             FetchSink* sink) {
  auto route = routes_.find(url::Scheme(url));
  if (route == routes_.end()) {
    return std::make_unique<FailedFetch>(runner_, sink);
  }
  return route->second->Start(url, sink);
}

}  // namespace runtime
}  // namespace velt
