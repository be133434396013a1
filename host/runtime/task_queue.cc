#include "host/runtime/task_queue.h"

#include <utility>

namespace velt {
namespace runtime {

void TaskQueue::PostTask(Task task) {
  std::lock_guard<std::mutex> hold(mutex_);
  tasks_.push_back(std::move(task));
}

bool TaskQueue::RunOne() {
  Task task;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (tasks_.empty()) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  task();
  return true;
}

size_t TaskQueue::RunUntilIdle() {
  size_t ran = 0;
  while (RunOne()) ++ran;
  return ran;
}

bool TaskQueue::empty() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return tasks_.empty();
}

}  // namespace runtime
}  // namespace velt
