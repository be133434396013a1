// TaskQueue: a plain FIFO task runner that the caller drives.
#ifndef HOST_RUNTIME_TASK_QUEUE_H_
#define HOST_RUNTIME_TASK_QUEUE_H_

#include <cstddef>
#include <deque>
#include <mutex>

#include "host/runtime/task_runner.h"

namespace velt {
namespace runtime {

class TaskQueue final : public TaskRunner {
 public:
  TaskQueue() = default;
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  void PostTask(Task task) override;

  // Runs the oldest task. False if there was none.
  bool RunOne();
  // Runs tasks, including those they post, until none is left. Returns how
  // many ran.
  size_t RunUntilIdle();
  bool empty() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Task> tasks_;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_TASK_QUEUE_H_
