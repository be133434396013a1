#include "host/testing/test_host.h"

#include <utility>

namespace velt {
namespace testing {

TestHost::TestHost()
    : fetcher_(&queue_),
      runtime_(std::make_unique<runtime::Runtime>(&queue_, &fetcher_)) {}

TestHost::~TestHost() {
  runtime_.reset();
  // Aborted downloads finish in tasks of their own.
  queue_.RunUntilIdle();
}

VELT_Instance TestHost::Create(const std::string& page_url) {
  auto replies = std::make_shared<std::vector<std::string>>();
  VELT_Instance handle =
      runtime_->CreateInstance(page_url, [replies](const Var& message) {
        replies->push_back(message.is_string() ? message.AsString()
                                               : "<not a string>");
      });
  if (handle != 0) replies_[handle] = replies;
  return handle;
}

std::vector<std::string> TestHost::Send(VELT_Instance instance,
                                        const Var& message) {
  auto it = replies_.find(instance);
  if (it == replies_.end()) return {};
  it->second->clear();
  runtime_->DeliverMessage(instance, message);
  queue_.RunUntilIdle();
  return std::move(*it->second);
}

std::string TestHost::Ask(VELT_Instance instance, const Var& message) {
  std::vector<std::string> replies = Send(instance, message);
  if (replies.size() == 1) return replies[0];
  return "<" + std::to_string(replies.size()) + " replies>";
}

}  // namespace testing
}  // namespace velt
