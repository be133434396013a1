// A module for tests and fuzzers of code that only needs an instance to
// exist (downloads): its instances do nothing and are found by handle.
// Linking the object library velt_bare_module defines velt::CreateModule,
// so a program links it instead of the engine's module, never with it.
#ifndef HOST_TESTING_BARE_MODULE_H_
#define HOST_TESTING_BARE_MODULE_H_

#include "host/instance.h"
#include "host/velt_types.h"

namespace velt {
namespace testing {

// The live instance with `handle`, or null once it is destroyed.
Instance* FindBareInstance(VELT_Instance handle);

}  // namespace testing
}  // namespace velt

#endif  // HOST_TESTING_BARE_MODULE_H_
