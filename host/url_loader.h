// URL loading: a request description, a loader and the response's details.
//
// A loader belongs to one instance. Open and ReadResponseBody follow the
// callback rules of completion_callback.h. When the instance is destroyed,
// the host ends its loaders' pending operations with VELT_ERROR_ABORTED and
// fails later ones the same way. Destroying a loader cancels its fetch; a
// pending required callback then runs later with VELT_ERROR_ABORTED.
#ifndef HOST_URL_LOADER_H_
#define HOST_URL_LOADER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "host/completion_callback.h"
#include "host/var.h"
#include "host/velt_types.h"

namespace velt {

class Instance;

namespace runtime {
class LoaderCore;
}

class URLRequestInfo {
 public:
  explicit URLRequestInfo(const Instance* instance);

  // Answers false, and changes nothing, for an unknown property or a value
  // of the wrong type: the URL and the method are strings, the
  // download-progress flag a bool.
  bool SetProperty(VELT_URLRequestProperty property, const Var& value);

  const std::string& url() const { return url_; }
  const std::string& method() const { return method_; }
  bool record_download_progress() const { return record_download_progress_; }

 private:
  std::string url_;
  std::string method_ = "GET";
  bool record_download_progress_ = false;
};

class URLResponseInfo {
 public:
  URLResponseInfo() = default;  // null: no response yet
  URLResponseInfo(Var url, Var status_code)
      : is_null_(false),
        url_(std::move(url)),
        status_code_(std::move(status_code)) {}

  bool is_null() const { return is_null_; }
  // The status code is an integer var for an HTTP response. Unknown
  // properties, and every property of a null response, are undefined vars.
  Var GetProperty(VELT_URLResponseProperty property) const;

 private:
  bool is_null_ = true;
  Var url_;
  Var status_code_;
};

class URLLoader {
 public:
  explicit URLLoader(const Instance* instance);
  ~URLLoader();
  URLLoader(const URLLoader&) = delete;
  URLLoader& operator=(const URLLoader&) = delete;

  // Starts the request. The URL is resolved against the page. Only "GET" is
  // supported. The callback gets VELT_OK once the response headers are in,
  // whatever the status, or an error if no response came.
  int32_t Open(const URLRequestInfo& request, const CompletionCallback& cc);

  // Null until Open has completed with VELT_OK.
  URLResponseInfo GetResponseInfo() const;

  // Bytes received so far and the size the server announced (-1 when it
  // announced none). False unless the request asked to record progress.
  bool GetDownloadProgress(int64_t* bytes_received,
                           int64_t* total_bytes_to_be_received) const;

  // Reads up to `bytes_to_read` bytes of the body into `buffer`, which must
  // stay valid until the read completes. Results: the number of bytes read,
  // 0 at the end of the body, or an error. Bytes that arrived before a
  // network error are all read before the error is reported.
  int32_t ReadResponseBody(void* buffer, int32_t bytes_to_read,
                           const CompletionCallback& cc);

  // Cancels the fetch; pending callbacks run with VELT_ERROR_ABORTED.
  void Close();

 private:
  std::unique_ptr<runtime::LoaderCore> core_;
};

}  // namespace velt

#endif  // HOST_URL_LOADER_H_
