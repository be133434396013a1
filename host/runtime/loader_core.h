// LoaderCore: the state machine behind one velt::URLLoader.
#ifndef HOST_RUNTIME_LOADER_CORE_H_
#define HOST_RUNTIME_LOADER_CORE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "host/completion_callback.h"
#include "host/runtime/fetcher.h"
#include "host/url_loader.h"
#include "host/var.h"

namespace velt {
namespace runtime {

class InstanceHost;
class TaskRunner;

// Buffers what the fetcher delivers and serves it to reads. Callbacks are
// always posted to the main loop, so none runs inside a call of the engine
// or of the fetcher. Owned by its URLLoader; posted tasks hold only the
// callbacks, so a destroyed loader receives nothing more.
class LoaderCore final : public FetchSink {
 public:
  explicit LoaderCore(VELT_Instance instance);
  ~LoaderCore() override;
  LoaderCore(const LoaderCore&) = delete;
  LoaderCore& operator=(const LoaderCore&) = delete;

  int32_t Open(const URLRequestInfo& request, const CompletionCallback& cc);
  URLResponseInfo GetResponseInfo() const;
  bool GetDownloadProgress(int64_t* received, int64_t* total) const;
  int32_t ReadResponseBody(void* buffer, int32_t size,
                           const CompletionCallback& cc);
  // The loader is closed or destroyed: cancel the fetch and end pending
  // operations with VELT_ERROR_ABORTED.
  void Close();
  // The instance is gone: as Close, and forget the instance.
  void Abort();

  // FetchSink
  void OnOpenFailed() override;
  void OnResponse(const Var& status, int64_t total_bytes) override;
  void OnBodyData(const char* data, size_t size) override;
  void OnBodyEnd() override;
  void OnBodyError() override;

 private:
  enum class State { kNew, kOpening, kOpen, kFailed, kClosed };

  // Completes an operation whose result is known now: an optional callback
  // gets the result returned, a required one runs later with it.
  int32_t Finish(int32_t result, const CompletionCallback& cc);
  void PostCallback(const CompletionCallback& cc, int32_t result);
  // Moves up to `size` buffered bytes to `buffer`.
  int32_t TakeBuffered(char* buffer, int32_t size);
  // Completes the pending read if the buffer or the body's end allows.
  void ServePendingRead();
  void Detach();

  InstanceHost* host_ = nullptr;
  TaskRunner* runner_ = nullptr;
  State state_ = State::kNew;
  std::unique_ptr<Fetch> fetch_;
  std::string url_;
  bool record_progress_ = false;
  Var status_;
  int64_t received_ = 0;
  int64_t total_ = -1;

  CompletionCallback pending_open_;
  CompletionCallback pending_read_;
  char* read_buffer_ = nullptr;
  int32_t read_size_ = 0;

  std::string buffered_;
  size_t buffered_offset_ = 0;
  bool body_ended_ = false;
  bool body_failed_ = false;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_LOADER_CORE_H_
