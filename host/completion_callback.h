// Completion callbacks and the factory that binds them to an object.
//
// Rules the host keeps for every operation that takes a callback:
// - A callback runs on the main thread, never inside the call that was given
//   it, and exactly once, unless it is optional and the operation finished
//   at once (then the operation returns its result and the callback never
//   runs).
// - Operations answer VELT_OK_COMPLETIONPENDING when the callback will run.
// - A callback made by a CompletionCallbackFactory whose object is gone (the
//   factory destroyed or cancelled) runs but calls nothing.
#ifndef HOST_COMPLETION_CALLBACK_H_
#define HOST_COMPLETION_CALLBACK_H_

#include <cstdint>
#include <memory>

#include "host/lock.h"
#include "host/velt_types.h"

namespace velt {

class CompletionCallback {
 public:
  typedef void (*Func)(void* user_data, int32_t result);

  // A null callback: Run does nothing.
  CompletionCallback() = default;
  CompletionCallback(Func func, void* user_data,
                     int32_t flags = VELT_COMPLETIONCALLBACK_FLAG_NONE)
      : func_(func), user_data_(user_data), flags_(flags) {}
  // As above, and keeps `owner` alive while any copy of the callback exists.
  CompletionCallback(Func func, std::shared_ptr<void> owner, int32_t flags)
      : func_(func),
        user_data_(owner.get()),
        flags_(flags),
        owner_(std::move(owner)) {}

  bool is_null() const { return func_ == nullptr; }
  int32_t flags() const { return flags_; }
  bool IsOptional() const {
    return (flags_ & VELT_COMPLETIONCALLBACK_FLAG_OPTIONAL) != 0;
  }

  // Runs the callback now, in this call.
  void Run(int32_t result) const {
    if (func_ != nullptr) func_(user_data_, result);
  }

 private:
  Func func_ = nullptr;
  void* user_data_ = nullptr;
  int32_t flags_ = VELT_COMPLETIONCALLBACK_FLAG_NONE;
  std::shared_ptr<void> owner_;
};

// For factories used on one thread only.
struct NonThreadSafeThreadTraits {
  class Lock {
   public:
    void Acquire() {}
    void Release() {}
  };
};

// For factories whose callbacks may be made or dropped on other threads.
struct ThreadSafeThreadTraits {
  typedef velt::Lock Lock;
};

// Makes callbacks bound to methods `void (T::*)(int32_t)` of one object. The
// factory is usually a member of that object: destroying the object
// destroys the factory, and every callback it made then calls nothing. The
// link from callbacks back to the object is counted, so a method may
// destroy its own object and return safely.
template <typename T, typename ThreadTraits = NonThreadSafeThreadTraits>
class CompletionCallbackFactory {
 public:
  typedef void (T::*Method)(int32_t);

  explicit CompletionCallbackFactory(T* object = nullptr) {
    Initialize(object);
  }
  ~CompletionCallbackFactory() { CancelAll(); }
  CompletionCallbackFactory(const CompletionCallbackFactory&) = delete;
  CompletionCallbackFactory& operator=(const CompletionCallbackFactory&) =
      delete;

  // Binds the factory to `object`. Callbacks made before are cancelled.
  void Initialize(T* object) {
    CancelAll();
    back_pointer_ = std::make_shared<BackPointer>();
    back_pointer_->object = object;
  }

  // Every callback made so far will call nothing.
  void CancelAll() {
    if (!back_pointer_) return;
    back_pointer_->lock.Acquire();
    back_pointer_->object = nullptr;
    back_pointer_->lock.Release();
    back_pointer_.reset();
  }

  T* GetObject() const {
    return back_pointer_ ? back_pointer_->object : nullptr;
  }

  CompletionCallback NewCallback(Method method) {
    return Make(method, VELT_COMPLETIONCALLBACK_FLAG_NONE);
  }
  CompletionCallback NewOptionalCallback(Method method) {
    return Make(method, VELT_COMPLETIONCALLBACK_FLAG_OPTIONAL);
  }

 private:
  struct BackPointer {
    typename ThreadTraits::Lock lock;
    T* object = nullptr;
  };
  struct Binding {
    std::shared_ptr<BackPointer> back_pointer;
    Method method;
  };

  static void Thunk(void* user_data, int32_t result) {
    Binding* binding = static_cast<Binding*>(user_data);
    BackPointer& back = *binding->back_pointer;
    back.lock.Acquire();
    T* object = back.object;
    back.lock.Release();
    if (object != nullptr) (object->*(binding->method))(result);
  }

  CompletionCallback Make(Method method, int32_t flags) {
    if (!back_pointer_) Initialize(nullptr);
    auto binding = std::make_shared<Binding>();
    binding->back_pointer = back_pointer_;
    binding->method = method;
    return CompletionCallback(&Thunk, std::static_pointer_cast<void>(binding),
                              flags);
  }

  std::shared_ptr<BackPointer> back_pointer_;
};

}  // namespace velt

#endif  // HOST_COMPLETION_CALLBACK_H_
