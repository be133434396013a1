// WebServer: the engine's web host. It serves the page folders over HTTP
// and the engine over a WebSocket beside them (at "/engine"). Each
// WebSocket connection is one embedding: the server creates an instance of
// the module for it, with a fresh handle, when the handshake completes, and
// destroys it when the socket closes. Every text frame is delivered to the
// instance as a string var, every binary frame as an array-buffer var, and
// every message the instance posts goes back as one text frame, in order;
// replies wait in a queue of the connection, none is dropped while it is
// open.
//
// Refusals, each with a reason a person can read:
//   - a Host header that is not one of the server's own names: 403;
//   - a WebSocket handshake whose Origin header is present and is not the
//     server's own origin: 403 (clients that are not browsers send no
//     Origin and are let in);
//   - a WebSocket connection beyond `max_connections`: accepted, then
//     closed with code 1013 and the reason "too many connections ...";
//   - an HTTP connection beyond `max_http_connections`: every request
//     answered 503 and the connection closed;
//   - a message longer than `max_message_bytes`: closed with code 1009 and
//     the reason "message too big ...";
//   - a method other than GET or HEAD: 405; a path outside the folders, a
//     hidden file or a missing one: 404.
// GET /status answers a JSON object of live counts, for monitoring and
// tests: {"connections":N,"instances":N,"loading":N,"http_connections":N,
// "max_connections":N,"rss_bytes":N}.
//
// Threads: everything runs on the thread that runs the io_context, the
// same one that runs the runtime's tasks; no method may be called from
// another thread. The server starts no threads.
#ifndef NET_WEB_SERVER_H_
#define NET_WEB_SERVER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace boost {
namespace asio {
class io_context;
}  // namespace asio
}  // namespace boost

namespace velt {
namespace runtime {
class Runtime;
}  // namespace runtime
}  // namespace velt

namespace net {

struct WebServerOptions {
  // The address to listen on: loopback unless the caller says otherwise.
  std::string address = "127.0.0.1";
  // 0 picks a free port; WebServer::port() tells which.
  uint16_t port = 0;
  // Folders served at "/", searched in order for each file.
  std::vector<std::string> roots;
  // Host names the server also answers to, beside its own (see
  // origin_check::OwnHosts), e.g. "myhost.example".
  std::vector<std::string> extra_hosts;
  size_t max_connections = 64;
  size_t max_http_connections = 256;
  // The page's requests are tens of bytes. The engine's work grows with
  // the text, and every connection shares one thread: at 64 KiB the
  // costliest request keeps the others waiting a fraction of a second
  // (about 6 s at 1 MiB).
  size_t max_message_bytes = 64 << 10;
};

class WebServer final {
 public:
  // `io` and `runtime` are borrowed. The runtime must run its tasks on
  // `io`, and both must outlive every handler the server leaves on `io`:
  // run `io` until it is out of work after Stop(), or destroy `io`, before
  // destroying the runtime.
  WebServer(boost::asio::io_context& io, velt::runtime::Runtime* runtime,
            WebServerOptions options);
  // Stop()s.
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds, listens and starts accepting. False, with `*error` saying why,
  // if the address is bad or taken. Call once.
  bool Start(std::string* error);
  // Stops accepting and closes every connection at once; their instances
  // are destroyed before this returns. The io_context then runs out of the
  // server's work.
  void Stop();

  // The bound port, after Start.
  uint16_t port() const;
  // The page's URL, "http://127.0.0.1:PORT/", after Start. Instances are
  // embedded in this page, so their tables are fetched from this server.
  std::string url() const;

  // Open WebSocket connections (handshakes in progress included).
  size_t connections() const;

  struct Core;

 private:
  std::shared_ptr<Core> core_;
};

}  // namespace net

#endif  // NET_WEB_SERVER_H_
