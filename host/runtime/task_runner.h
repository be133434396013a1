// The runtime's main thread: one loop that runs posted tasks in order.
#ifndef HOST_RUNTIME_TASK_RUNNER_H_
#define HOST_RUNTIME_TASK_RUNNER_H_

#include <functional>

namespace velt {
namespace runtime {

// Every message, callback and completion of the runtime runs as a task of
// one TaskRunner. Tests and the command-line host drive a TaskQueue; the
// network hosts run tasks on Boost.Asio's io_context.
class TaskRunner {
 public:
  typedef std::function<void()> Task;

  virtual ~TaskRunner() = default;
  // Queues `task` to run on the main thread after the tasks already queued.
  // Never runs it inside this call. Safe to call from any thread.
  virtual void PostTask(Task task) = 0;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_TASK_RUNNER_H_
