// RoutingFetcher: hands each URL to the fetcher of its scheme, so that one
// runtime can fetch file:// and http:// pages alike.
#ifndef HOST_RUNTIME_ROUTING_FETCHER_H_
#define HOST_RUNTIME_ROUTING_FETCHER_H_

#include <map>
#include <memory>
#include <string>

#include "host/runtime/fetcher.h"

namespace velt {
namespace runtime {

class TaskRunner;

// A URL whose scheme has no route fails to open, in a task posted to the
// runner, never inside Start. Scheme names compare in lower case
// ("HTTP://h/" goes to the "http" route).
class RoutingFetcher final : public Fetcher {
 public:
  // `runner` is borrowed and must outlive every fetch.
  explicit RoutingFetcher(TaskRunner* runner) : runner_(runner) {}
  RoutingFetcher(const RoutingFetcher&) = delete;
  RoutingFetcher& operator=(const RoutingFetcher&) = delete;

  // Sends URLs of `scheme` (lower case, without ":") to `fetcher`, which is
  // borrowed and must outlive every fetch it starts. A later route for the
  // same scheme replaces the earlier one.
  void Route(const std::string& scheme, Fetcher* fetcher);

  std::unique_ptr<Fetch> Start(const std::string& url,
                               FetchSink* sink) override;

 private:
  TaskRunner* const runner_;
  std::map<std::string, Fetcher*> routes_;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_ROUTING_FETCHER_H_
