#include "host/runtime/runtime.h"

#include <atomic>
#include <utility>

#include "host/runtime/task_runner.h"

namespace velt {
namespace runtime {
namespace {

// Handles are unique in the process and never 0.
VELT_Instance NextHandle() {
  static std::atomic<int32_t> next{1};
  int32_t handle = next.fetch_add(1);
  if (handle == 0) handle = next.fetch_add(1);
  return handle;
}

}  // namespace

Runtime::Runtime(TaskRunner* runner, Fetcher* fetcher)
    : runner_(runner),
      fetcher_(fetcher),
      self_(std::make_shared<Runtime*>(this)) {
  module_.reset(CreateModule());
  if (module_ && !module_->Init()) module_.reset();
}

Runtime::~Runtime() {
  self_.reset();
  while (!instances_.empty()) DestroyInstance(instances_.begin()->first);
  module_.reset();
}

VELT_Instance Runtime::CreateInstance(const std::string& page_url,
                                      MessageSink sink) {
  if (!module_) return 0;
  VELT_Instance handle = NextHandle();
  Embedding embedding;
  embedding.host = std::make_unique<InstanceHost>(handle, runner_, fetcher_,
                                                  page_url, std::move(sink));
  embedding.instance.reset(module_->CreateInstance(handle));
  if (!embedding.instance || !embedding.instance->Init(0, nullptr, nullptr)) {
    embedding.instance.reset();
    return 0;
  }
  instances_.emplace(handle, std::move(embedding));
  return handle;
}

void Runtime::DestroyInstance(VELT_Instance instance) {
  auto it = instances_.find(instance);
  if (it == instances_.end()) return;
  Embedding embedding = std::move(it->second);
  instances_.erase(it);
  // The instance goes first: its destructor may still use the host.
  embedding.instance.reset();
  embedding.host.reset();
}

void Runtime::DeliverMessage(VELT_Instance instance, const Var& message) {
  std::weak_ptr<Runtime*> self = self_;
  runner_->PostTask([self, instance, message] {
    std::shared_ptr<Runtime*> live = self.lock();
    if (!live) return;
    auto it = (*live)->instances_.find(instance);
    if (it != (*live)->instances_.end()) {
      it->second.instance->HandleMessage(message);
    }
  });
}

bool Runtime::HasPendingLoads(VELT_Instance instance) const {
  auto it = instances_.find(instance);
  return it != instances_.end() && it->second.host->loader_count() > 0;
}

}  // namespace runtime
}  // namespace velt
