// DirectoryFetcher: serves file:// URLs from the local file system, as a
// web server would serve the files beside a page.
#ifndef HOST_RUNTIME_DIRECTORY_FETCHER_H_
#define HOST_RUNTIME_DIRECTORY_FETCHER_H_

#include <memory>
#include <string>

#include "host/runtime/fetcher.h"

namespace velt {
namespace runtime {

class TaskRunner;

// A regular file answers status 200 with its size announced and its bytes
// in pieces of 64 KiB, one task each; a missing or unreadable file, or a
// directory, answers 404 with an empty body. A URL that is not file://
// fails to open.
class DirectoryFetcher final : public Fetcher {
 public:
  // `runner` is borrowed and must outlive every fetch.
  explicit DirectoryFetcher(TaskRunner* runner) : runner_(runner) {}

  std::unique_ptr<Fetch> Start(const std::string& url,
                               FetchSink* sink) override;

 private:
  TaskRunner* const runner_;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_DIRECTORY_FETCHER_H_
