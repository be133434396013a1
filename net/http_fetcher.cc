// Beast is confined to this file: it compiles slowly.
#include "net/http_fetcher.h"

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <utility>

#include "host/var.h"

namespace net {
namespace {

namespace http = boost::beast::http;
using boost::asio::ip::tcp;
using boost::system::error_code;

constexpr size_t kPieceSize = 64 * 1024;
constexpr char kUserAgent[] = "hangul-engine";

// Where an http:// URL points.
struct HttpTarget {
  std::string host;         // without the brackets of an IPv6 literal
  std::string port;         // decimal, "80" by default
  std::string host_header;  // the authority as the URL spells it
  std::string target;       // path and query, at least "/"
};

bool IsPort(const std::string& port) {
  if (port.empty() || port.size() > 5) return false;
  for (char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  int value = std::stoi(port);
  return value > 0 && value <= 65535;
}

// Accepts http://HOST[:PORT][/PATH][?QUERY][#FRAGMENT], the scheme in any
// case, HOST a name, an IPv4 address or a bracketed IPv6 address. User
// information ("user@host") is refused.
bool ParseHttpUrl(const std::string& url, HttpTarget* out) {
  constexpr size_t kSchemeLength = 7;  // "http://"
  if (url.size() <= kSchemeLength) return false;
  for (size_t i = 0; i < kSchemeLength; ++i) {
    if (std::tolower(static_cast<unsigned char>(url[i])) != "http://"[i]) {
      return false;
    }
  }
  size_t authority_end = url.find_first_of("/?#", kSchemeLength);
  if (authority_end == std::string::npos) authority_end = url.size();
  const std::string authority =
      url.substr(kSchemeLength, authority_end - kSchemeLength);
  if (authority.empty() || authority.find('@') != std::string::npos) {
    return false;
  }
  std::string port;
  if (authority[0] == '[') {
    size_t close = authority.find(']');
    if (close == std::string::npos) return false;
    out->host = authority.substr(1, close - 1);
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != ':') return false;
      port = authority.substr(close + 2);
    }
  } else {
    size_t colon = authority.rfind(':');
    out->host = authority.substr(0, colon);
    if (colon != std::string::npos) port = authority.substr(colon + 1);
  }
  if (out->host.empty()) return false;
  if (port.empty()) port = "80";
  if (!IsPort(port)) return false;
  out->port = port;
  out->host_header = authority;
  std::string rest = url.substr(authority_end);
  rest.erase(std::min(rest.find('#'), rest.size()));
  out->target = rest.empty() || rest[0] != '/' ? "/" + rest : rest;
  return true;
}

// One request and its response. Shared by the Fetch handle and the
// handlers in flight; Cancel cuts it off from the sink.
class Connection final : public std::enable_shared_from_this<Connection> {
 public:
  Connection(boost::asio::io_context& io, velt::runtime::FetchSink* sink)
      : io_(io), resolver_(io), socket_(io), sink_(sink) {
    // The downloader enforces its own limit on the body. (Boost 1.74
    // compares a Content-Length with boost::none as greater, so "no limit"
    // is spelt as the largest one.)
    parser_.body_limit(std::numeric_limits<std::uint64_t>::max());
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Start(const HttpTarget& target) {
    request_.version(11);
    request_.method(http::verb::get);
    request_.target(target.target);
    request_.set(http::field::host, target.host_header);
    request_.set(http::field::user_agent, kUserAgent);
    request_.set(http::field::connection, "close");
    // A numeric host needs no resolver: Asio resolves names on a thread of
    // its own, and the pages this host serves are on loopback addresses.
    error_code not_numeric;
    std::string host = target.host;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
      host = host.substr(1, host.size() - 2);
    }
    boost::asio::ip::address address =
        boost::asio::ip::make_address(host, not_numeric);
    if (!not_numeric) {
      tcp::endpoint endpoint(
          address, static_cast<unsigned short>(std::stoi(target.port)));
      socket_.async_connect(endpoint,
                            [self = shared_from_this()](const error_code& ec) {
                              self->OnConnect(ec);
                            });
      return;
    }
    resolver_.async_resolve(
        target.host, target.port,
        [self = shared_from_this()](const error_code& ec,
                                    const tcp::resolver::results_type& found) {
          self->OnResolve(ec, found);
        });
  }

  // The open fails, in a task of its own.
  void FailLater() {
    boost::asio::post(io_, [self = shared_from_this()] {
      if (self->sink_ != nullptr) self->sink_->OnOpenFailed();
    });
  }

  // Nothing reaches the sink from now on; handlers in flight finish with
  // an error and return.
  void Cancel() {
    sink_ = nullptr;
    resolver_.cancel();
    error_code ignored;
    socket_.close(ignored);
  }

 private:
  void OnResolve(const error_code& ec,
                 const tcp::resolver::results_type& found) {
    if (sink_ == nullptr) return;
    if (ec) {
      sink_->OnOpenFailed();
      return;
    }
    boost::asio::async_connect(socket_, found,
                               [self = shared_from_this()](
                                   const error_code& ec, const tcp::endpoint&) {
                                 self->OnConnect(ec);
                               });
  }

  void OnConnect(const error_code& ec) {
    if (sink_ == nullptr) return;
    if (ec) {
      sink_->OnOpenFailed();
      return;
    }
    http::async_write(socket_, request_,
                      [self = shared_from_this()](
                          const error_code& ec, size_t) { self->OnWrite(ec); });
  }

  void OnWrite(const error_code& ec) {
    if (sink_ == nullptr) return;
    if (ec) {
      sink_->OnOpenFailed();
      return;
    }
    http::async_read_header(
        socket_, buffer_, parser_,
        [self = shared_from_this()](const error_code& ec, size_t) {
          self->OnHeader(ec);
        });
  }

  void OnHeader(const error_code& ec) {
    if (sink_ == nullptr) return;
    if (ec) {
      sink_->OnOpenFailed();
      return;
    }
    const boost::optional<uint64_t> length = parser_.content_length();
    sink_->OnResponse(
        velt::Var(static_cast<int32_t>(parser_.get().result_int())),
        length ? static_cast<int64_t>(*length) : -1);
    if (sink_ == nullptr) return;
    ReadBody();
  }

  // Each read hands over what one receive brought, as soon as it is in.
  void ReadBody() {
    if (parser_.is_done()) {
      PostBodyDone(false);
      return;
    }
    parser_.get().body().data = piece_;
    parser_.get().body().size = kPieceSize;
    http::async_read_some(
        socket_, buffer_, parser_,
        [self = shared_from_this()](const error_code& ec, size_t) {
          self->OnBody(ec);
        });
  }

  void OnBody(error_code ec) {
    if (sink_ == nullptr) return;
    if (ec == http::error::need_buffer) ec = {};  // the piece is full
    const size_t count = kPieceSize - parser_.get().body().size;
    if (count > 0) {
      sink_->OnBodyData(piece_, count);
      if (sink_ == nullptr) return;
    }
    if (ec) {
      // A cut connection (partial_message) or a malformed body: the bytes
      // before it have been delivered.
      PostBodyDone(true);
      return;
    }
    ReadBody();
  }

  void PostBodyDone(bool failed) {
    boost::asio::post(io_, [self = shared_from_this(), failed] {
      if (self->sink_ == nullptr) return;
      if (failed) {
        self->sink_->OnBodyError();
      } else {
        self->sink_->OnBodyEnd();
      }
      self->Cancel();  // done with the connection
    });
  }

  boost::asio::io_context& io_;
  tcp::resolver resolver_;
  tcp::socket socket_;
  velt::runtime::FetchSink* sink_ = nullptr;
  boost::beast::flat_buffer buffer_;
  http::request<http::empty_body> request_;
  http::response_parser<http::buffer_body> parser_;
  char piece_[kPieceSize];
};

class HttpFetch final : public velt::runtime::Fetch {
 public:
  explicit HttpFetch(std::shared_ptr<Connection> connection)
      : connection_(std::move(connection)) {}
  ~HttpFetch() override { connection_->Cancel(); }

 private:
  const std::shared_ptr<Connection> connection_;
};

}  // namespace

std::unique_ptr<velt::runtime::Fetch> HttpFetcher::Start(
    const std::string& url, velt::runtime::FetchSink* sink) {
  auto connection = std::make_shared<Connection>(io_, sink);
  HttpTarget target;
  if (!ParseHttpUrl(url, &target)) {
    connection->FailLater();
    return std::make_unique<HttpFetch>(connection);
  }
  try {
    connection->Start(target);
  } catch (const std::exception&) {
    // Nothing was started that could still reach the sink.
    connection->FailLater();
  }
  return std::make_unique<HttpFetch>(connection);
}

}  // namespace net
