// Boost.Beast lives in this file alone: it compiles slowly, and the rules
// of what is served sit in static_files and origin_check instead.
#include "net/web_server.h"

#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "host/runtime/runtime.h"
#include "host/var.h"
#include "net/origin_check.h"
#include "net/static_files.h"

namespace net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr char kServerName[] = "hangul-engine";
constexpr char kEnginePath[] = "/engine";
constexpr char kStatusPath[] = "/status";
constexpr auto kHttpTimeout = std::chrono::seconds(30);
constexpr size_t kMaxRequestBody = 8 * 1024;
// A WebSocket message is read in pieces of this size, so that the size
// limit is enforced before a long message is buffered whole.
constexpr size_t kReadPiece = 64 * 1024;
// Reading pauses while this many bytes of replies wait for a client that
// does not read them, and resumes below half of it.
constexpr size_t kMaxQueuedReplyBytes = 4 << 20;
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

class HttpSession;
class EngineSession;

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  size_t resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

std::string_view PathOf(std::string_view target) {
  return target.substr(0, target.find_first_of("?#"));
}

}  // namespace

struct WebServer::Core {
  Core(asio::io_context& io, velt::runtime::Runtime* runtime,
       WebServerOptions options)
      : io(io),
        runtime(runtime),
        options(std::move(options)),
        acceptor(io),
        retry(io) {}

  std::string StatusJson() const;

  asio::io_context& io;
  velt::runtime::Runtime* const runtime;
  const WebServerOptions options;
  std::vector<std::string> hosts;
  tcp::acceptor acceptor;
  asio::steady_timer retry;
  uint16_t port = 0;
  std::string url;
  bool stopped = false;
  // Sessions register themselves while their socket is theirs to close.
  std::set<HttpSession*> http_sessions;
  std::set<EngineSession*> engine_sessions;
};

namespace {

using Core = WebServer::Core;

// One WebSocket connection and its instance. It keeps itself alive through
// its pending operations (the usual Beast pattern); the instance's sink
// holds it weakly, so replies posted after the end are dropped.
class EngineSession final : public std::enable_shared_from_this<EngineSession> {
 public:
  EngineSession(std::shared_ptr<Core> core, tcp::socket socket)
      : core_(std::move(core)), ws_(std::move(socket)) {}
  ~EngineSession() { core_->engine_sessions.erase(this); }
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  // Completes the handshake of `request`. With `refuse` the connection is
  // closed right after it, with code 1013, and no instance is made.
  void Run(http::request<http::string_body> request, bool refuse) {
    refused_ = refuse;
    if (!refused_) core_->engine_sessions.insert(this);
    beast::get_lowest_layer(ws_).expires_never();
    ws_.set_option(
        websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.set_option(websocket::stream_base::decorator(
        [](websocket::response_type& response) {
          response.set(http::field::server, kServerName);
        }));
    // The limit is enforced by OnRead, with a reason in the close frame.
    ws_.read_message_max(0);
    ws_.async_accept(request,
                     [self = shared_from_this()](beast::error_code ec) {
                       self->OnAccept(ec);
                     });
  }

  // Ends the connection at once, without a closing handshake.
  void Abort() {
    End();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
  }

  bool loading() const {
    return instance_ != 0 && core_->runtime->HasPendingLoads(instance_);
  }

 private:
  void OnAccept(beast::error_code ec) {
    if (ec) return End();
    if (refused_) {
      return CloseWith(websocket::close_code::try_again_later,
                       "too many connections: the limit is " +
                           std::to_string(core_->options.max_connections));
    }
    std::weak_ptr<EngineSession> weak = weak_from_this();
    instance_ = core_->runtime->CreateInstance(
        core_->url, [weak](const velt::Var& message) {
          if (std::shared_ptr<EngineSession> self = weak.lock()) {
            self->Send(message.AsString());
          }
        });
    if (instance_ == 0) {
      return CloseWith(websocket::close_code::internal_error,
                       "the engine refused the instance");
    }
    Read();
  }

  void Read() {
    ws_.async_read_some(
        buffer_, kReadPiece,
        [self = shared_from_this()](beast::error_code ec, size_t) {
          self->OnRead(ec);
        });
  }

  void OnRead(beast::error_code ec) {
    if (ec || ended_) return End();
    if (buffer_.size() > core_->options.max_message_bytes) {
      return CloseWith(websocket::close_code::too_big,
                       "message too big: the limit is " +
                           std::to_string(core_->options.max_message_bytes) +
                           " bytes");
    }
    if (ws_.is_message_done()) {
      std::string bytes = beast::buffers_to_string(buffer_.data());
      buffer_.consume(buffer_.size());
      core_->runtime->DeliverMessage(
          instance_, ws_.got_text() ? velt::Var(std::move(bytes))
                                    : velt::Var::ArrayBuffer(std::move(bytes)));
    }
    if (queued_bytes_ > kMaxQueuedReplyBytes) {
      read_paused_ = true;
      return;
    }
    Read();
  }

  void Send(std::string text) {
    if (ended_) return;
    queued_bytes_ += text.size();
    queue_.push_back(std::move(text));
    if (!writing_) Write();
  }

  void Write() {
    writing_ = true;
    ws_.text(true);
    ws_.async_write(asio::buffer(queue_.front()),
                    [self = shared_from_this()](beast::error_code ec, size_t) {
                      self->OnWrite(ec);
                    });
  }

  void OnWrite(beast::error_code ec) {
    writing_ = false;
    if (ec) return Abort();
    queued_bytes_ -= queue_.front().size();
    queue_.pop_front();
    if (read_paused_ && !ended_ && queued_bytes_ <= kMaxQueuedReplyBytes / 2) {
      read_paused_ = false;
      Read();
    }
    if (!queue_.empty() && !ended_) Write();
  }

  // Ends the instance now and closes the socket with a closing handshake.
  void CloseWith(websocket::close_code code, const std::string& reason) {
    End();
    ws_.async_close(websocket::close_reason(code, reason),
                    [self = shared_from_this()](beast::error_code) {});
  }

  // Destroys the instance (its undelivered replies are dropped and its
  // downloads aborted) and leaves the server's count.
  void End() {
    if (ended_) return;
    ended_ = true;
    if (instance_ != 0) core_->runtime->DestroyInstance(instance_);
    instance_ = 0;
    core_->engine_sessions.erase(this);
  }

  const std::shared_ptr<Core> core_;
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer buffer_;
  std::deque<std::string> queue_;
  size_t queued_bytes_ = 0;
  VELT_Instance instance_ = 0;
  bool refused_ = false;
  bool writing_ = false;
  bool read_paused_ = false;
  bool ended_ = false;
};

// One HTTP connection: static files, the status, and the hand-over of a
// WebSocket handshake to an EngineSession.
class HttpSession final : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(std::shared_ptr<Core> core, tcp::socket socket, bool overloaded)
      : core_(std::move(core)),
        stream_(std::move(socket)),
        overloaded_(overloaded) {
    core_->http_sessions.insert(this);
  }
  ~HttpSession() { core_->http_sessions.erase(this); }
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  void Read() {
    parser_.emplace();
    parser_->body_limit(kMaxRequestBody);
    stream_.expires_after(kHttpTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, size_t) {
                       self->OnRead(ec);
                     });
  }

  void Abort() {
    core_->http_sessions.erase(this);
    stream_.close();
  }

 private:
  void OnRead(beast::error_code ec) {
    if (ec) return Abort();
    Handle(parser_->release());
  }

  void Handle(http::request<http::string_body> request) {
    const Core& core = *core_;
    if (overloaded_) {
      return SendText(request, http::status::service_unavailable,
                      "Too many connections: the limit is " +
                          std::to_string(core.options.max_http_connections) +
                          ".\n",
                      true);
    }
    beast::string_view host = request[http::field::host];
    if (!host.empty() &&
        !origin_check::HostAllowed(std::string_view(host.data(), host.size()),
                                   core.hosts, core.port)) {
      return SendText(request, http::status::forbidden,
                      "Forbidden: this server does not answer to that host.\n");
    }
    beast::string_view target_view = request.target();
    std::string_view target(target_view.data(), target_view.size());
    if (websocket::is_upgrade(request)) return Upgrade(std::move(request));

    if (request.method() != http::verb::get &&
        request.method() != http::verb::head) {
      return SendText(request, http::status::method_not_allowed,
                      "Only GET and HEAD are served.\n");
    }
    if (PathOf(target) == kStatusPath) {
      return SendBody(request, http::status::ok,
                      "application/json; charset=utf-8", core.StatusJson());
    }
    std::string file = static_files::FindFile(
        core.options.roots, static_files::TargetToPath(target));
    if (file.empty()) {
      return SendText(request, http::status::not_found, "Not found.\n");
    }
    http::file_body::value_type body;
    beast::error_code open_error;
    body.open(file.c_str(), beast::file_mode::scan, open_error);
    if (open_error) {
      return SendText(request, http::status::not_found, "Not found.\n");
    }
    std::string type = static_files::ContentType(file);
    if (request.method() == http::verb::head) {
      http::response<http::empty_body> response(http::status::ok,
                                                request.version());
      Decorate(response, request, type);
      response.content_length(body.size());
      return Send(std::move(response));
    }
    http::response<http::file_body> response(
        std::piecewise_construct, std::make_tuple(std::move(body)),
        std::make_tuple(http::status::ok, request.version()));
    Decorate(response, request, type);
    response.prepare_payload();
    Send(std::move(response));
  }

  void Upgrade(http::request<http::string_body> request) {
    Core& core = *core_;
    beast::string_view target = request.target();
    if (PathOf(std::string_view(target.data(), target.size())) != kEnginePath) {
      return SendText(request, http::status::not_found,
                      "The engine's WebSocket is at /engine.\n");
    }
    beast::string_view origin = request[http::field::origin];
    if (!origin.empty() && !origin_check::OriginAllowed(
                               std::string_view(origin.data(), origin.size()),
                               core.hosts, core.port)) {
      return SendText(request, http::status::forbidden,
                      "Forbidden: WebSocket connections are accepted from "
                      "this server's own pages only.\n");
    }
    bool refuse = core.engine_sessions.size() >= core.options.max_connections;
    core.http_sessions.erase(this);
    stream_.expires_never();
    std::make_shared<EngineSession>(core_, stream_.release_socket())
        ->Run(std::move(request), refuse);
  }

  template <class Body>
  void Decorate(http::response<Body>& response,
                const http::request<http::string_body>& request,
                const std::string& type) {
    response.set(http::field::server, kServerName);
    response.set(http::field::content_type, type);
    response.set(http::field::cache_control, "no-cache");
    response.set("X-Content-Type-Options", "nosniff");
    response.keep_alive(request.keep_alive());
  }

  void SendBody(const http::request<http::string_body>& request,
                http::status status, const std::string& type, std::string body,
                bool close = false) {
    http::response<http::string_body> response(status, request.version());
    Decorate(response, request, type);
    if (close) response.keep_alive(false);
    if (status == http::status::method_not_allowed) {
      response.set(http::field::allow, "GET, HEAD");
    }
    if (request.method() == http::verb::head) {
      response.content_length(body.size());
    } else {
      response.body() = std::move(body);
      response.prepare_payload();
    }
    Send(std::move(response));
  }

  void SendText(const http::request<http::string_body>& request,
                http::status status, std::string text, bool close = false) {
    SendBody(request, status, "text/plain; charset=utf-8", std::move(text),
             close);
  }

  template <class Body>
  void Send(http::response<Body>&& response) {
    auto message = std::make_shared<http::response<Body>>(std::move(response));
    bool close = message->need_eof();
    stream_.expires_after(kHttpTimeout);
    http::async_write(stream_, *message,
                      [self = shared_from_this(), message, close](
                          beast::error_code ec, size_t) {
                        if (ec || close) {
                          beast::error_code ignored;
                          self->stream_.socket().shutdown(
                              tcp::socket::shutdown_send, ignored);
                          self->core_->http_sessions.erase(self.get());
                          return;
                        }
                        self->Read();
                      });
  }

  const std::shared_ptr<Core> core_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  const bool overloaded_;
};

void Accept(const std::shared_ptr<Core>& core) {
  core->acceptor.async_accept([core](beast::error_code ec, tcp::socket socket) {
    if (core->stopped) return;
    if (ec) {
      // Out of descriptors, most likely: try again a little later
      // rather than spin.
      core->retry.expires_after(kAcceptRetry);
      core->retry.async_wait([core](beast::error_code wait_error) {
        if (!wait_error && !core->stopped) Accept(core);
      });
      return;
    }
    bool overloaded =
        core->http_sessions.size() >= core->options.max_http_connections;
    std::make_shared<HttpSession>(core, std::move(socket), overloaded)->Read();
    Accept(core);
  });
}

std::string UrlHost(const asio::ip::address& address) {
  if (address.is_unspecified()) {
    return address.is_v6() ? "[::1]" : "127.0.0.1";
  }
  return address.is_v6() ? "[" + address.to_string() + "]"
                         : address.to_string();
}

}  // namespace

std::string WebServer::Core::StatusJson() const {
  size_t loading = 0;
  for (const EngineSession* session : engine_sessions) {
    if (session->loading()) ++loading;
  }
  return "{\"connections\":" + std::to_string(engine_sessions.size()) +
         ",\"instances\":" + std::to_string(runtime->instance_count()) +
         ",\"loading\":" + std::to_string(loading) +
         ",\"http_connections\":" + std::to_string(http_sessions.size()) +
         ",\"max_connections\":" + std::to_string(options.max_connections) +
         ",\"rss_bytes\":" + std::to_string(ResidentBytes()) + "}\n";
}

WebServer::WebServer(asio::io_context& io, velt::runtime::Runtime* runtime,
                     WebServerOptions options)
    : core_(std::make_shared<Core>(io, runtime, std::move(options))) {}

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(std::string* error) {
  Core& core = *core_;
  beast::error_code ec;
  asio::ip::address address = asio::ip::make_address(core.options.address, ec);
  if (ec) {
    *error = "bad address '" + core.options.address + "'";
    return false;
  }
  tcp::endpoint endpoint(address, core.options.port);
  core.acceptor.open(endpoint.protocol(), ec);
  if (!ec) core.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) core.acceptor.bind(endpoint, ec);
  if (!ec) core.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    *error = "cannot listen on " + core.options.address + " port " +
             std::to_string(core.options.port) + ": " + ec.message();
    beast::error_code ignored;
    core.acceptor.close(ignored);
    return false;
  }
  core.port = core.acceptor.local_endpoint().port();
  core.url =
      "http://" + UrlHost(address) + ":" + std::to_string(core.port) + "/";
  core.hosts =
      origin_check::OwnHosts(core.options.address, core.options.extra_hosts);
  Accept(core_);
  return true;
}

void WebServer::Stop() {
  Core& core = *core_;
  if (core.stopped) return;
  core.stopped = true;
  beast::error_code ignored;
  core.acceptor.close(ignored);
  core.retry.cancel();
  // The instances go first, so that their downloads end as aborted
  // rather than as broken bodies. Each Abort removes its session from
  // its set.
  std::vector<EngineSession*> engine_sessions(core.engine_sessions.begin(),
                                              core.engine_sessions.end());
  for (EngineSession* session : engine_sessions) session->Abort();
  std::vector<HttpSession*> http_sessions(core.http_sessions.begin(),
                                          core.http_sessions.end());
  for (HttpSession* session : http_sessions) session->Abort();
}

uint16_t WebServer::port() const { return core_->port; }

std::string WebServer::url() const { return core_->url; }

size_t WebServer::connections() const { return core_->engine_sessions.size(); }

}  // namespace net
