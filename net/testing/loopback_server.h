// LoopbackServer: a small HTTP server on 127.0.0.1 for tests, which answers
// each request with the raw bytes a test scripted for its path, written
// step by step with pauses, so that statuses, pieces, delays and cut
// connections can all be staged. Plain POSIX sockets: it shares no code
// with the client under test.
#ifndef NET_TESTING_LOOPBACK_SERVER_H_
#define NET_TESTING_LOOPBACK_SERVER_H_

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace net {
namespace testing {

// Serves connections one at a time on a thread of its own. Each reply is
// followed by closing the connection.
class LoopbackServer final {
 public:
  // One write: `bytes`, sent after a pause of `delay`.
  struct Step {
    std::string bytes;
    std::chrono::milliseconds delay{0};
  };
  typedef std::vector<Step> Reply;

  // Listens on an ephemeral port and starts serving.
  LoopbackServer();
  // Stops serving: a reply in progress is cut short.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by `path`, which starts with "/".
  std::string Url(const std::string& path) const;

  // Scripts the reply to requests for `path` (the request target as sent,
  // query included). A path without a script gets 404 with an empty body.
  void Add(const std::string& path, Reply reply);
  // The request lines received so far, such as "GET /a.txt HTTP/1.1".
  std::vector<std::string> requests() const;

  // A whole response with a Content-Length, in one write.
  static Reply Response(int status, const std::string& body);
  // A loopback port that refuses connections.
  static uint16_t ClosedPort();

 private:
  void Serve();
  void Answer(int connection);
  // Sleeps for `delay` unless the server stops first; false if it did.
  bool Pause(std::chrono::milliseconds delay);

  int listener_ = -1;
  int wake_read_ = -1;  // readable once the server stops
  int wake_write_ = -1;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace testing
}  // namespace net

#endif  // NET_TESTING_LOOPBACK_SERVER_H_
