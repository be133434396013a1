#include "host/testing/bare_module.h"

#include <map>

#include "host/module.h"

namespace velt {
namespace testing {
namespace {

std::map<VELT_Instance, Instance*>& LiveInstances() {
  static std::map<VELT_Instance, Instance*> instances;
  return instances;
}

class BareInstance final : public Instance {
 public:
  explicit BareInstance(VELT_Instance handle) : Instance(handle) {
    LiveInstances()[handle] = this;
  }
  ~BareInstance() override { LiveInstances().erase(velt_instance()); }
};

class BareModule final : public Module {
 public:
  Instance* CreateInstance(VELT_Instance handle) override {
    return new BareInstance(handle);
  }
};

}  // namespace

Instance* FindBareInstance(VELT_Instance handle) {
  auto it = LiveInstances().find(handle);
  return it == LiveInstances().end() ? nullptr : it->second;
}

}  // namespace testing

Module* CreateModule() { return new testing::BareModule(); }

}  // namespace velt
