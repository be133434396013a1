// velt::Module: the loaded module, which makes one instance per embedding.
#ifndef HOST_MODULE_H_
#define HOST_MODULE_H_

#include "host/instance.h"
#include "host/velt_types.h"

namespace velt {

class Module {
 public:
  Module() = default;
  virtual ~Module() = default;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Called once after creation; false refuses the load.
  virtual bool Init() { return true; }
  // Called once per embedding. The host owns the result.
  virtual Instance* CreateInstance(VELT_Instance instance) = 0;
};

// Defined by the module: called once when the host loads it. The host owns
// the result.
Module* CreateModule();

}  // namespace velt

#endif  // HOST_MODULE_H_
