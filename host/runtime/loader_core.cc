#include "host/runtime/loader_core.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/runtime/instance_host.h"
#include "host/runtime/task_runner.h"
#include "host/runtime/url.h"

namespace velt {
namespace runtime {

LoaderCore::LoaderCore(VELT_Instance instance)
    : host_(InstanceHost::Find(instance)) {
  if (host_ != nullptr) {
    runner_ = host_->runner();
    host_->AddLoader(this);
  }
}

LoaderCore::~LoaderCore() { Close(); }

int32_t LoaderCore::Open(const URLRequestInfo& request,
                         const CompletionCallback& cc) {
  if (state_ != State::kNew) {
    return Finish(
        state_ == State::kClosed ? VELT_ERROR_ABORTED : VELT_ERROR_INPROGRESS,
        cc);
  }
  if (host_ == nullptr) {
    state_ = State::kClosed;
    return Finish(VELT_ERROR_ABORTED, cc);
  }
  if (request.method() != "GET" || request.url().empty()) {
    state_ = State::kFailed;
    return Finish(VELT_ERROR_BADARGUMENT, cc);
  }
  state_ = State::kOpening;
  url_ = url::Resolve(host_->page_url(), request.url());
  record_progress_ = request.record_download_progress();
  pending_open_ = cc;
  fetch_ = host_->fetcher()->Start(url_, this);
  return VELT_OK_COMPLETIONPENDING;
}

URLResponseInfo LoaderCore::GetResponseInfo() const {
  if (status_.is_undefined()) return URLResponseInfo();
  return URLResponseInfo(Var(url_), status_);
}

bool LoaderCore::GetDownloadProgress(int64_t* received, int64_t* total) const {
  if (!record_progress_ || status_.is_undefined()) return false;
  *received = received_;
  *total = total_;
  return true;
}

int32_t LoaderCore::ReadResponseBody(void* buffer, int32_t size,
                                     const CompletionCallback& cc) {
  if (state_ == State::kClosed) return Finish(VELT_ERROR_ABORTED, cc);
  if (state_ != State::kOpen) return Finish(VELT_ERROR_FAILED, cc);
  if (!pending_read_.is_null()) return Finish(VELT_ERROR_INPROGRESS, cc);
  if (buffer == nullptr || size <= 0) return Finish(VELT_ERROR_BADARGUMENT, cc);
  if (buffered_offset_ < buffered_.size()) {
    return Finish(TakeBuffered(static_cast<char*>(buffer), size), cc);
  }
  if (body_failed_) return Finish(VELT_ERROR_FAILED, cc);
  if (body_ended_) return Finish(VELT_OK, cc);
  pending_read_ = cc;
  read_buffer_ = static_cast<char*>(buffer);
  read_size_ = size;
  return VELT_OK_COMPLETIONPENDING;
}

void LoaderCore::Close() {
  if (state_ == State::kClosed) return;
  state_ = State::kClosed;
  fetch_.reset();
  if (!pending_open_.is_null()) {
    PostCallback(pending_open_, VELT_ERROR_ABORTED);
    pending_open_ = CompletionCallback();
  }
  if (!pending_read_.is_null()) {
    PostCallback(pending_read_, VELT_ERROR_ABORTED);
    pending_read_ = CompletionCallback();
  }
  buffered_.clear();
  Detach();
}

void LoaderCore::Abort() {
  Close();
  Detach();
}

void LoaderCore::Detach() {
  if (host_ != nullptr) host_->RemoveLoader(this);
  host_ = nullptr;
}

void LoaderCore::OnOpenFailed() {
  if (state_ != State::kOpening) return;
  state_ = State::kFailed;
  PostCallback(pending_open_, VELT_ERROR_FAILED);
  pending_open_ = CompletionCallback();
}

void LoaderCore::OnResponse(const Var& status, int64_t total_bytes) {
  if (state_ != State::kOpening) return;
  state_ = State::kOpen;
  status_ = status;
  total_ = total_bytes;
  PostCallback(pending_open_, VELT_OK);
  pending_open_ = CompletionCallback();
}

void LoaderCore::OnBodyData(const char* data, size_t size) {
  if (state_ != State::kOpen || body_ended_ || body_failed_) return;
  if (buffered_offset_ == buffered_.size()) {
    buffered_.clear();
    buffered_offset_ = 0;
  }
  buffered_.append(data, size);
  received_ += static_cast<int64_t>(size);
  ServePendingRead();
}

// The first end or error of the body counts: a fetcher that reports
// another one afterwards must not turn a finished body into a failed one.
void LoaderCore::OnBodyEnd() {
  if (state_ != State::kOpen || body_ended_ || body_failed_) return;
  body_ended_ = true;
  ServePendingRead();
}

void LoaderCore::OnBodyError() {
  if (state_ != State::kOpen || body_ended_ || body_failed_) return;
  body_failed_ = true;
  ServePendingRead();
}

void LoaderCore::ServePendingRead() {
  if (pending_read_.is_null()) return;
  int32_t result;
  if (buffered_offset_ < buffered_.size()) {
    result = TakeBuffered(read_buffer_, read_size_);
  } else if (body_failed_) {
    result = VELT_ERROR_FAILED;
  } else if (body_ended_) {
    result = VELT_OK;
  } else {
    return;
  }
  CompletionCallback cc = pending_read_;
  pending_read_ = CompletionCallback();
  read_buffer_ = nullptr;
  read_size_ = 0;
  PostCallback(cc, result);
}

int32_t LoaderCore::TakeBuffered(char* buffer, int32_t size) {
  size_t available = buffered_.size() - buffered_offset_;
  size_t count = std::min(available, static_cast<size_t>(size));
  std::memcpy(buffer, buffered_.data() + buffered_offset_, count);
  buffered_offset_ += count;
  // Keep the buffer from growing without bound while a slow reader drains
  // a long body.
  if (buffered_offset_ == buffered_.size()) {
    buffered_.clear();
    buffered_offset_ = 0;
  } else if (buffered_offset_ > (1u << 20) &&
             buffered_offset_ * 2 > buffered_.size()) {
    buffered_.erase(0, buffered_offset_);
    buffered_offset_ = 0;
  }
  return static_cast<int32_t>(count);
}

int32_t LoaderCore::Finish(int32_t result, const CompletionCallback& cc) {
  if (cc.IsOptional()) return result;
  PostCallback(cc, result);
  return VELT_OK_COMPLETIONPENDING;
}

void LoaderCore::PostCallback(const CompletionCallback& cc, int32_t result) {
  if (cc.is_null() || runner_ == nullptr) return;
  runner_->PostTask([cc, result] { cc.Run(result); });
}

}  // namespace runtime
}  // namespace velt
