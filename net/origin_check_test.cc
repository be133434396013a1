#include "net/origin_check.h"

#include <gtest/gtest.h>

namespace net {
namespace origin_check {
namespace {

TEST(OwnHosts, AddsASpecificAddressButNotAWildcard) {
  std::vector<std::string> loopback = {"127.0.0.1", "localhost", "[::1]"};
  EXPECT_EQ(OwnHosts("127.0.0.1", {}), loopback);
  EXPECT_EQ(OwnHosts("0.0.0.0", {}), loopback);
  EXPECT_EQ(OwnHosts("::", {}), loopback);
  EXPECT_EQ(OwnHosts("::1", {}), loopback);
  std::vector<std::string> lan = {"127.0.0.1", "localhost", "[::1]",
                                  "192.0.2.7", "ime.example"};
  EXPECT_EQ(OwnHosts("192.0.2.7", {"ime.example"}), lan);
  std::vector<std::string> v6 = {"127.0.0.1", "localhost", "[::1]",
                                 "[fe80::1]"};
  EXPECT_EQ(OwnHosts("fe80::1", {}), v6);
}

TEST(HostAllowed, AcceptsOwnNamesOnOwnPortOnly) {
  std::vector<std::string> hosts = OwnHosts("127.0.0.1", {});
  struct Case {
    const char* host;
    uint16_t port;
    bool allowed;
  } cases[] = {
      {"127.0.0.1:8080", 8080, true},
      {"LocalHost:8080", 8080, true},
      {"[::1]:8080", 8080, true},
      {"127.0.0.1", 80, true},
      {"127.0.0.1", 8080, false},
      {"127.0.0.1:8081", 8080, false},
      {"evil.example:8080", 8080, false},
      {"localhost.evil.example:8080", 8080, false},
      {"127.0.0.1:8080x", 8080, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    EXPECT_EQ(HostAllowed(c.host, hosts, c.port), c.allowed);
  }
}

TEST(OriginAllowed, AcceptsTheServersOwnOriginOnly) {
  std::vector<std::string> hosts = OwnHosts("127.0.0.1", {});
  struct Case {
    const char* origin;
    bool allowed;
  } cases[] = {
      {"http://127.0.0.1:9000", true},
      {"http://localhost:9000", true},
      {"HTTP://LOCALHOST:9000", true},
      {"https://127.0.0.1:9000", false},
      {"http://127.0.0.1:9001", false},
      {"http://127.0.0.1", false},
      {"http://evil.example:9000", false},
      {"null", false},
      {"http://", false},
      {"file://", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.origin);
    EXPECT_EQ(OriginAllowed(c.origin, hosts, 9000), c.allowed);
  }
}

}  // namespace
}  // namespace origin_check
}  // namespace net
