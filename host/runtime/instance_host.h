// InstanceHost: the runtime's side of one instance, which the velt API
// reaches through the instance's handle.
#ifndef HOST_RUNTIME_INSTANCE_HOST_H_
#define HOST_RUNTIME_INSTANCE_HOST_H_

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "host/var.h"
#include "host/velt_types.h"

namespace velt {
namespace runtime {

class Fetcher;
class LoaderCore;
class TaskRunner;

// Receives each message the instance posts, on the main thread.
typedef std::function<void(const Var&)> MessageSink;

class InstanceHost {
 public:
  // Registers `handle`, which must be unused. `runner` and `fetcher` are
  // borrowed and must outlive this object and every loader it created.
  InstanceHost(VELT_Instance handle, TaskRunner* runner, Fetcher* fetcher,
               std::string page_url, MessageSink sink);
  // Unregisters the handle, drops messages not yet delivered, and aborts
  // every loader of the instance.
  ~InstanceHost();
  InstanceHost(const InstanceHost&) = delete;
  InstanceHost& operator=(const InstanceHost&) = delete;

  // The host of a live instance, or null.
  static InstanceHost* Find(VELT_Instance handle);

  void PostMessage(const Var& message);

  TaskRunner* runner() const { return runner_; }
  Fetcher* fetcher() const { return fetcher_; }
  const std::string& page_url() const { return page_url_; }

  void AddLoader(LoaderCore* loader) { loaders_.insert(loader); }
  void RemoveLoader(LoaderCore* loader) { loaders_.erase(loader); }
  // Loaders of this instance that still exist.
  size_t loader_count() const { return loaders_.size(); }

 private:
  const VELT_Instance handle_;
  TaskRunner* const runner_;
  Fetcher* const fetcher_;
  const std::string page_url_;
  std::shared_ptr<MessageSink> sink_;
  std::set<LoaderCore*> loaders_;
};

}  // namespace runtime
}  // namespace velt

#endif  // HOST_RUNTIME_INSTANCE_HOST_H_
