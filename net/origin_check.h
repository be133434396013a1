// origin_check: whether a request comes to this server under one of its
// own names, and, for a WebSocket, from a page of its own origin. Together
// they keep other sites' pages (and DNS rebinding) away from the engine.
#ifndef NET_ORIGIN_CHECK_H_
#define NET_ORIGIN_CHECK_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace net {
namespace origin_check {

// The host names a server on `address` answers to: "127.0.0.1",
// "localhost" and "[::1]", and `address` itself when it is a specific
// address (an IPv6 one in brackets). A wildcard address ("0.0.0.0", "::")
// adds nothing: such a server names itself with `extra` hosts.
std::vector<std::string> OwnHosts(const std::string& address,
                                  const std::vector<std::string>& extra);

// True if the Host header `host` is one of `hosts` with `port`, compared
// without regard to case. The port may be left out when it is 80.
// Example: HostAllowed("LocalHost:8080", {"localhost"}, 8080) is true.
bool HostAllowed(std::string_view host, const std::vector<std::string>& hosts,
                 uint16_t port);

// True if the Origin header `origin` is "http://" + one of `hosts` +
// ":" + `port` (the port left out when it is 80). "null" and every other
// scheme or port are refused.
bool OriginAllowed(std::string_view origin,
                   const std::vector<std::string>& hosts, uint16_t port);

}  // namespace origin_check
}  // namespace net

#endif  // NET_ORIGIN_CHECK_H_
