// The seam between the runtime's URL loader and whatever fetches bytes: a
// directory beside the page, an HTTP client, or a test's script.
#ifndef HOST_RUNTIME_FETCHER_H_
#define HOST_RUNTIME_FETCHER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/var.h"

namespace velt {
namespace runtime {

// Receives the events of one fetch, on the main thread, each as its own
// task, never inside Fetcher::Start. The order is: either OnOpenFailed, or
// OnResponse, then any number of OnBodyData, then OnBodyEnd or OnBodyError.
// Nothing is delivered after the Fetch handle is destroyed.
class FetchSink {
 public:
  virtual ~FetchSink() = default;
  virtual void OnOpenFailed() = 0;
  // `status` is an integer var for HTTP; `total_bytes` is the announced
  // size of the body, or -1.
  virtual void OnResponse(const Var& status, int64_t total_bytes) = 0;
  virtual void OnBodyData(const char* data, size_t size) = 0;
  virtual void OnBodyEnd() = 0;
  virtual void OnBodyError() = 0;
};

// One fetch in flight. Destroying it cancels the fetch.
class Fetch {
 public:
  virtual ~Fetch() = default;
};

class Fetcher {
 public:
  virtual ~Fetcher() = default;
  // Starts fetching the absolute `url` with GET. `sink` must outlive the
  // returned handle. Never returns null: a URL the fetcher cannot serve
  // ends in OnOpenFailed.
  virtual std::unique_ptr<Fetch> Start(const std::string& url,
                                       FetchSink* sink) = 0;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_FETCHER_H_
