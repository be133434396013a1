// velt::Instance: one embedding of the module in a page.
#ifndef HOST_INSTANCE_H_
#define HOST_INSTANCE_H_

#include <cstdint>

#include "host/var.h"
#include "host/velt_types.h"

namespace velt {

class URLLoader;

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct View {
  Rect rect;
  bool is_visible = true;
};

struct InputEvent {
  int32_t type = 0;
};

// The host creates an instance through Module::CreateInstance, calls Init,
// delivers messages to HandleMessage one at a time on its main thread, and
// deletes the instance when the embedding goes away. The default hooks
// accept Init and decline or ignore everything else.
class Instance {
 public:
  explicit Instance(VELT_Instance instance) : velt_instance_(instance) {}
  virtual ~Instance() = default;
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  VELT_Instance velt_instance() const { return velt_instance_; }

  virtual bool Init(uint32_t argc, const char* argn[], const char* argv[]);
  virtual void DidChangeView(const View& view);
  virtual void DidChangeView(const Rect& position, const Rect& clip);
  virtual void DidChangeFocus(bool has_focus);
  virtual bool HandleInputEvent(const InputEvent& event);
  virtual bool HandleDocumentLoad(const URLLoader& url_loader);
  virtual void HandleMessage(const Var& message);

  // Queues `message` for the page. It is delivered later, on the main
  // thread, in posting order; messages of a destroyed instance are dropped.
  void PostMessage(const Var& message);

 private:
  const VELT_Instance velt_instance_;
};

}  // namespace velt

#endif  // HOST_INSTANCE_H_
