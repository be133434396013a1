// AsioTaskRunner: the runtime's main loop on a Boost.Asio io_context, so
// that network completions and engine callbacks share one thread.
#ifndef NET_ASIO_TASK_RUNNER_H_
#define NET_ASIO_TASK_RUNNER_H_

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <utility>

#include "host/runtime/task_runner.h"

namespace net {

class AsioTaskRunner final : public velt::runtime::TaskRunner {
 public:
  // `io` is borrowed; the thread that runs it is the main thread.
  explicit AsioTaskRunner(boost::asio::io_context& io) : io_(io) {}

  void PostTask(Task task) override { boost::asio::post(io_, std::move(task)); }

 private:
  boost::asio::io_context& io_;
};

}  // namespace net

#endif  // NET_ASIO_TASK_RUNNER_H_
