// RunUntil: drives an io_context in a test until a condition holds, or for
// at most `patience`, so a broken test fails instead of hanging.
#ifndef NET_TESTING_RUN_UNTIL_H_
#define NET_TESTING_RUN_UNTIL_H_

#include <boost/asio/io_context.hpp>
#include <chrono>

namespace net {
namespace testing {

template <typename Done>
void RunUntil(
    boost::asio::io_context& io, Done done,
    std::chrono::milliseconds patience = std::chrono::milliseconds(10000)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    io.restart();  // the loop stops whenever it runs out of work
    io.run_one_for(std::chrono::milliseconds(50));
  }
}

}  // namespace testing
}  // namespace net

#endif  // NET_TESTING_RUN_UNTIL_H_
