// Downloading one file beside the page through the host's URL loader, with
// the whole body handed to a plain function when it is done.
#ifndef DOWNLOAD_URL_LOADER_UTIL_H_
#define DOWNLOAD_URL_LOADER_UTIL_H_

#include <cstdint>
#include <string>

namespace velt {
class Instance;
}

namespace URLLoaderUtil {

// The completion of a download, called with:
//   user_data: the value given to StartDownload, untouched;
//   url: the URL given to StartDownload, unchanged;
//   success: true only for HTTP status 200 with the whole body read;
//   body: the bytes received. After a failed open or a status other than
//     200 it is empty; after a read error it holds what had arrived. The
//     function may read, change or take (std::move) the bytes; whatever it
//     leaves is released when the download ends, right after it returns.
typedef void (*DownloadCallback)(void* user_data, const std::string& url,
                                 bool success, std::string* body);

// Reads of the body ask for at most this many bytes.
constexpr int32_t kReadSize = 32768;
// The body reserves the size the server announces, but never more than this.
constexpr int64_t kMaxReservation = int64_t{64} << 20;
// A body that would grow beyond this many bytes fails as a read error, with
// the bytes received before the read that crossed the limit.
constexpr int64_t kMaxBodySize = int64_t{256} << 20;

// Starts a GET of `url` for `instance` and returns at once. A relative URL
// is resolved by the host against the page of the instance.
//
// `callback` runs later on the main thread, exactly once per call, never
// inside StartDownload. The URL is copied, so the caller's string need not
// live on; `user_data` must stay valid until `callback` has run. Downloads
// cannot be cancelled: when `instance` is destroyed first, the host ends the
// download with an error, and `callback` still runs, with success false
// unless the end of the body had already been read.
// `instance` is used only inside this call.
//
// Each failure writes one line to standard error, then calls `callback`
// with false:
//   the open fails:          "velt::URLLoader::Open() failed: " URL
//   the status is not 200:   "velt::URLLoader::Open() failed: " URL
//                            " Status code: " STATUS (signed decimal)
//   the status is not an integer:
//                            "velt::URLLoader::Open() failed: " URL
//                            " Status code: not an integer"
//   a read fails, or the body passes kMaxBodySize:
//                            "velt::URLLoader::ReadResponseBody() result < 0: "
//                            URL
// Success writes nothing.
void StartDownload(velt::Instance* instance, const std::string& url,
                   DownloadCallback callback, void* user_data);

}  // namespace URLLoaderUtil

#endif  // DOWNLOAD_URL_LOADER_UTIL_H_
