// Runtime: the host behind the velt API. It loads the module, creates and
// destroys instances, delivers messages to them and hands their replies to
// a sink of the caller's choosing.
#ifndef HOST_RUNTIME_RUNTIME_H_
#define HOST_RUNTIME_RUNTIME_H_

#include <map>
#include <memory>
#include <string>

#include "host/module.h"
#include "host/runtime/instance_host.h"
#include "host/var.h"
#include "host/velt_types.h"

namespace velt {
namespace runtime {

class Fetcher;
class TaskRunner;

// Everything runs on the thread that runs `runner`'s tasks; the Runtime's
// own methods must be called there too.
class Runtime {
 public:
  // `runner` and `fetcher` are borrowed; both must outlive the Runtime and
  // every task it posted.
  Runtime(TaskRunner* runner, Fetcher* fetcher);
  // Destroys every instance, then the module.
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  // Creates an instance embedded in the page at `page_url` (an absolute
  // URL ending in "/" for a directory), with a fresh handle. Its posted
  // messages go to `sink`. Returns 0 if the module refused it.
  VELT_Instance CreateInstance(const std::string& page_url, MessageSink sink);
  // Deletes the instance. Its undelivered replies are dropped and its
  // downloads aborted. Unknown handles are ignored.
  void DestroyInstance(VELT_Instance instance);

  // Queues `message` for the instance's HandleMessage. Dropped if the
  // instance is gone by then.
  void DeliverMessage(VELT_Instance instance, const Var& message);

  // True while the instance has URL loaders alive (downloads not finished).
  bool HasPendingLoads(VELT_Instance instance) const;
  size_t instance_count() const { return instances_.size(); }

 private:
  struct Embedding {
    std::unique_ptr<InstanceHost> host;
    std::unique_ptr<Instance> instance;
  };

  TaskRunner* const runner_;
  Fetcher* const fetcher_;
  std::unique_ptr<Module> module_;
  std::map<VELT_Instance, Embedding> instances_;
  // Posted tasks check this before they touch the Runtime.
  std::shared_ptr<Runtime*> self_;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_RUNTIME_H_
