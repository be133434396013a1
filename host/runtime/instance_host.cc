#include "host/runtime/instance_host.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "host/runtime/loader_core.h"
#include "host/runtime/task_runner.h"

namespace velt {
namespace runtime {
namespace {

// Handles are unique in the process, so the registry can be shared by every
// runtime a process holds (tests make many).
std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<VELT_Instance, InstanceHost*>& Registry() {
  static std::map<VELT_Instance, InstanceHost*> registry;
  return registry;
}

}  // namespace

InstanceHost::InstanceHost(VELT_Instance handle, TaskRunner* runner,
                           Fetcher* fetcher, std::string page_url,
                           MessageSink sink)
    : handle_(handle),
      runner_(runner),
      fetcher_(fetcher),
      page_url_(std::move(page_url)),
      sink_(std::make_shared<MessageSink>(std::move(sink))) {
  std::lock_guard<std::mutex> hold(RegistryMutex());
  Registry()[handle_] = this;
}

InstanceHost::~InstanceHost() {
  {
    std::lock_guard<std::mutex> hold(RegistryMutex());
    Registry().erase(handle_);
  }
  // Abort removes the loader from the set.
  std::vector<LoaderCore*> loaders(loaders_.begin(), loaders_.end());
  for (LoaderCore* loader : loaders) loader->Abort();
}

InstanceHost* InstanceHost::Find(VELT_Instance handle) {
  std::lock_guard<std::mutex> hold(RegistryMutex());
  auto it = Registry().find(handle);
  return it == Registry().end() ? nullptr : it->second;
}

void InstanceHost::PostMessage(const Var& message) {
  std::weak_ptr<MessageSink> sink = sink_;
  runner_->PostTask([sink, message] {
    if (std::shared_ptr<MessageSink> live = sink.lock()) (*live)(message);
  });
}

}  // namespace runtime
}  // namespace velt
