#include "net/testing/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace net {
namespace testing {
namespace {

constexpr size_t kMaxRequestHeader = 64 * 1024;

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 404:
      return "Not Found";
    default:
      return "Status";
  }
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address;
  std::memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// A socket bound to an ephemeral loopback port; aborts the test program if
// the machine cannot give one.
int BindEphemeral(uint16_t* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof(address);
  if (fd < 0 ||
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();
  }
  *port = ntohs(address.sin_port);
  return fd;
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t count =
        send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return;  // the client went away
    sent += static_cast<size_t>(count);
  }
}

}  // namespace

LoopbackServer::LoopbackServer() {
  listener_ = BindEphemeral(&port_);
  int wake[2];
  if (listen(listener_, 16) != 0 || pipe(wake) != 0) std::abort();
  wake_read_ = wake[0];
  wake_write_ = wake[1];
  thread_ = std::thread(&LoopbackServer::Serve, this);
}

LoopbackServer::~LoopbackServer() {
  char byte = 0;
  if (write(wake_write_, &byte, 1) != 1) std::abort();
  thread_.join();
  close(listener_);
  close(wake_read_);
  close(wake_write_);
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::Add(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = std::move(reply);
}

std::vector<std::string> LoopbackServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

LoopbackServer::Reply LoopbackServer::Response(int status,
                                               const std::string& body) {
  return {{"HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
               "\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body,
           std::chrono::milliseconds(0)}};
}

uint16_t LoopbackServer::ClosedPort() {
  uint16_t port = 0;
  close(BindEphemeral(&port));
  return port;
}

void LoopbackServer::Serve() {
  for (;;) {
    pollfd fds[2] = {{wake_read_, POLLIN, 0}, {listener_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents != 0) return;
    if (fds[1].revents == 0) continue;
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    close(connection);
  }
}

void LoopbackServer::Answer(int connection) {
  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos) {
    pollfd fds[2] = {{wake_read_, POLLIN, 0}, {connection, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents != 0) return;
    char buffer[4096];
    ssize_t count = recv(connection, buffer, sizeof(buffer), 0);
    if (count <= 0 || request.size() > kMaxRequestHeader) return;
    request.append(buffer, static_cast<size_t>(count));
  }
  const std::string line = request.substr(0, request.find("\r\n"));
  const size_t path_start = line.find(' ') + 1;
  const std::string path =
      line.substr(path_start, line.find(' ', path_start) - path_start);
  Reply reply = Response(404, "");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(line);
    auto scripted = replies_.find(path);
    if (scripted != replies_.end()) reply = scripted->second;
  }
  for (const Step& step : reply) {
    if (!Pause(step.delay)) return;
    SendAll(connection, step.bytes);
  }
  // The end of the reply, and of a body without a declared length.
  shutdown(connection, SHUT_WR);
}

bool LoopbackServer::Pause(std::chrono::milliseconds delay) {
  if (delay.count() <= 0) return true;
  pollfd wake = {wake_read_, POLLIN, 0};
  return poll(&wake, 1, static_cast<int>(delay.count())) == 0;
}

}  // namespace testing
}  // namespace net
