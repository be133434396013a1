#include "host/instance.h"

#include "host/runtime/instance_host.h"

namespace velt {

bool Instance::Init(uint32_t, const char*[], const char*[]) { return true; }
void Instance::DidChangeView(const View&) {}
void Instance::DidChangeView(const Rect&, const Rect&) {}
void Instance::DidChangeFocus(bool) {}
bool Instance::HandleInputEvent(const InputEvent&) { return false; }
bool Instance::HandleDocumentLoad(const URLLoader&) { return false; }
void Instance::HandleMessage(const Var&) {}

void Instance::PostMessage(const Var& message) {
  if (runtime::InstanceHost* host =
          runtime::InstanceHost::Find(velt_instance_)) {
    host->PostMessage(message);
  }
}

}  // namespace velt
