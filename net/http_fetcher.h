// HttpFetcher: fetches http:// URLs with HTTP/1.1 on Boost.Asio, on the
// thread that runs the io_context (the runtime's main thread).
#ifndef NET_HTTP_FETCHER_H_
#define NET_HTTP_FETCHER_H_

#include <boost/asio/io_context.hpp>
#include <memory>
#include <string>

#include "host/runtime/fetcher.h"

namespace net {

// One GET per fetch, on its own connection ("Connection: close"); redirects
// are not followed, so a 3xx arrives as its status. Events reach the sink
// on the io_context's thread, each in its own handler or posted task,
// never inside Start:
// - OnOpenFailed: a URL that is not http://HOST[:PORT][/PATH], a host that
//   does not resolve, a refused connection, or a connection that ends
//   before a whole, well-formed status line and header;
// - OnResponse(status as an integer var, Content-Length or -1), for every
//   status, then OnBodyData for each piece of the body as it arrives
//   (Content-Length, chunked, or up to the close), then OnBodyEnd, or
//   OnBodyError after the bytes received when the connection is cut or
//   the body is malformed.
// Destroying the returned Fetch closes the connection; nothing reaches the
// sink afterwards. There is no time limit: a server that stops sending
// holds the fetch until it is destroyed.
class HttpFetcher final : public velt::runtime::Fetcher {
 public:
  // `io` is borrowed and must outlive every fetch.
  explicit HttpFetcher(boost::asio::io_context& io) : io_(io) {}
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  // Call on the io_context's thread. `sink` must outlive the returned
  // handle.
  std::unique_ptr<velt::runtime::Fetch> Start(
      const std::string& url, velt::runtime::FetchSink* sink) override;

 private:
  boost::asio::io_context& io_;
};

}  // namespace net

#endif  // NET_HTTP_FETCHER_H_
