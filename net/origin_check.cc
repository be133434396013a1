#include "net/origin_check.h"

#include <algorithm>
#include <cctype>

namespace net {
namespace origin_check {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool HostPortAllowed(std::string_view authority,
                     const std::vector<std::string>& hosts, uint16_t port) {
  std::string with_port = ":" + std::to_string(port);
  for (const std::string& host : hosts) {
    if (SameText(authority, host + with_port)) return true;
    if (port == 80 && SameText(authority, host)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> OwnHosts(const std::string& address,
                                  const std::vector<std::string>& extra) {
  std::vector<std::string> hosts = {"127.0.0.1", "localhost", "[::1]"};
  if (!address.empty() && address != "0.0.0.0" && address != "::") {
    std::string host =
        address.find(':') != std::string::npos ? "[" + address + "]" : address;
    if (std::find(hosts.begin(), hosts.end(), host) == hosts.end()) {
      hosts.push_back(host);
    }
  }
  hosts.insert(hosts.end(), extra.begin(), extra.end());
  return hosts;
}

bool HostAllowed(std::string_view host, const std::vector<std::string>& hosts,
                 uint16_t port) {
  return HostPortAllowed(host, hosts, port);
}

bool OriginAllowed(std::string_view origin,
                   const std::vector<std::string>& hosts, uint16_t port) {
  constexpr std::string_view kScheme = "http://";
  if (origin.size() <= kScheme.size() ||
      !SameText(origin.substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  return HostPortAllowed(origin.substr(kScheme.size()), hosts, port);
}

}  // namespace origin_check
}  // namespace net
