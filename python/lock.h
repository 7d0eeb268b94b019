// One lock per bound object, so that Python threads sharing a Model or a
// Writer take turns: loading and saving run without the GIL, and an edit
// racing a save would otherwise change the tree under the serializer.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>
#include <utility>

namespace gxrm::python {

class ObjectLock {
 public:
  // Holds the lock until the result goes. A thread that has to wait does so
  // without the GIL, so that the holder can still take the GIL it may need.
  std::unique_lock<std::recursive_mutex> Hold() {
    std::unique_lock<std::recursive_mutex> lock(mutex_, std::try_to_lock);
    if (!lock) {
      pybind11::gil_scoped_release release;
      lock.lock();
    }
    return lock;
  }

 private:
  std::recursive_mutex mutex_;
};

// A member function bound so that each call holds the object's lock, which
// `Class::Lock()` gives.
template <typename Class, typename Result, typename... Args>
auto Locked(Result (Class::*method)(Args...)) {
  return [method](Class& self, Args... args) -> Result {
    auto hold = self.Lock().Hold();
    return (self.*method)(std::forward<Args>(args)...);
  };
}

template <typename Class, typename Result, typename... Args>
auto Locked(Result (Class::*method)(Args...) const) {
  return [method](const Class& self, Args... args) -> Result {
    auto hold = self.Lock().Hold();
    return (self.*method)(std::forward<Args>(args)...);
  };
}

}  // namespace gxrm::python
