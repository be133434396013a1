#include "download/url_loader_util.h"

#include <algorithm>
#include <iostream>
#include <memory>

#include "host/completion_callback.h"
#include "host/instance.h"
#include "host/url_loader.h"
#include "host/var.h"
#include "host/velt_types.h"

namespace URLLoaderUtil {
namespace {

constexpr int32_t kStatusOk = 200;
constexpr char kOpenFailed[] = "velt::URLLoader::Open() failed: ";
constexpr char kStatusCode[] = " Status code: ";
constexpr char kStatusNotInteger[] = "not an integer";
constexpr char kReadFailed[] =
    "velt::URLLoader::ReadResponseBody() result < 0: ";

// One download. It owns itself: it is created by StartDownload and deletes
// itself in Complete, right after the completion function has returned.
// Nothing else holds it, so every operation that calls Complete returns at
// once without touching a member.
class URLLoaderHandler final {
 public:
  URLLoaderHandler(velt::Instance* instance, const std::string& url,
                   DownloadCallback callback, void* user_data)
      : instance_(instance),
        url_(url),
        callback_(callback),
        request_(instance_),
        loader_(instance_),
        buffer_(new char[kReadSize]),
        user_data_(user_data) {}
  URLLoaderHandler(const URLLoaderHandler&) = delete;
  URLLoaderHandler& operator=(const URLLoaderHandler&) = delete;

  // Sets the request up and opens the loader. The open's outcome comes only
  // through OnOpen, which the host runs later.
  void Start();

 private:
  void OnOpen(int32_t result);
  void ReadBody();
  void OnRead(int32_t result);
  void AppendDataBytes(const char* data, int32_t count);
  // True if `count` more bytes would take the body beyond kMaxBodySize.
  bool WouldPassLimit(int32_t count) const;
  void Complete(bool success);

  // Used only to make the request and the loader; may dangle afterwards.
  velt::Instance* const instance_;
  const std::string url_;
  const DownloadCallback callback_;
  velt::URLRequestInfo request_;
  velt::URLLoader loader_;
  const std::unique_ptr<char[]> buffer_;
  std::string body_;
  void* const user_data_;
  velt::CompletionCallbackFactory<URLLoaderHandler,
                                  velt::ThreadSafeThreadTraits>
      factory_;
};

void URLLoaderHandler::Start() {
  request_.SetProperty(VELT_URLREQUESTPROPERTY_URL, velt::Var(url_));
  request_.SetProperty(VELT_URLREQUESTPROPERTY_METHOD, velt::Var("GET"));
  request_.SetProperty(VELT_URLREQUESTPROPERTY_RECORDDOWNLOADPROGRESS,
                       velt::Var(true));
  factory_.Initialize(this);
  loader_.Open(request_, factory_.NewCallback(&URLLoaderHandler::OnOpen));
}

void URLLoaderHandler::OnOpen(int32_t result) {
  if (result != VELT_OK) {
    std::cerr << kOpenFailed << url_ << std::endl;
    Complete(false);
    return;
  }
  velt::Var status = loader_.GetResponseInfo().GetProperty(
      VELT_URLRESPONSEPROPERTY_STATUSCODE);
  // AsInt would take "200" or 200.5 for 0 or 200; only a true integer is a
  // status.
  if (!status.is_int()) {
    std::cerr << kOpenFailed << url_ << kStatusCode << kStatusNotInteger
              << std::endl;
    Complete(false);
    return;
  }
  if (status.AsInt() != kStatusOk) {
    std::cerr << kOpenFailed << url_ << kStatusCode << status.AsInt()
              << std::endl;
    Complete(false);
    return;
  }
  int64_t received = 0;
  int64_t total = 0;
  if (loader_.GetDownloadProgress(&received, &total) && total > 0) {
    // The announced size only saves reallocations; a server may lie.
    body_.reserve(static_cast<size_t>(std::min(total, kMaxReservation)));
  }
  ReadBody();
}

// Data the host has at hand comes back at once through the optional
// callback, so it is drained here without a trip through the main loop.
void URLLoaderHandler::ReadBody() {
  velt::CompletionCallback callback =
      factory_.NewOptionalCallback(&URLLoaderHandler::OnRead);
  int32_t result;
  while ((result = loader_.ReadResponseBody(buffer_.get(), kReadSize,
                                            callback)) > 0 &&
         !WouldPassLimit(result)) {
    AppendDataBytes(buffer_.get(), result);
  }
  if (result == VELT_OK_COMPLETIONPENDING) return;
  // The end, an error, or a piece beyond the limit: OnRead settles it now.
  // The handler may be gone when Run returns.
  callback.Run(result);
}

void URLLoaderHandler::OnRead(int32_t result) {
  if (result > 0 && !WouldPassLimit(result)) {
    AppendDataBytes(buffer_.get(), result);
    ReadBody();
  } else if (result == VELT_OK) {
    Complete(true);
  } else {
    std::cerr << kReadFailed << url_ << std::endl;
    Complete(false);
  }
}

void URLLoaderHandler::AppendDataBytes(const char* data, int32_t count) {
  if (count <= 0) return;
  body_.append(data, static_cast<size_t>(std::min(count, kReadSize)));
}

bool URLLoaderHandler::WouldPassLimit(int32_t count) const {
  return static_cast<int64_t>(body_.size()) + count > kMaxBodySize;
}

void URLLoaderHandler::Complete(bool success) {
  callback_(user_data_, url_, success, &body_);
  // Destroying the factory disarms every callback it made; the loader's
  // destruction cancels whatever is left of the fetch.
  delete this;
}

}  // namespace

void StartDownload(velt::Instance* instance, const std::string& url,
                   DownloadCallback callback, void* user_data) {
  (new URLLoaderHandler(instance, url, callback, user_data))->Start();
}

}  // namespace URLLoaderUtil
