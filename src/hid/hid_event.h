#pragma once
// Handlers are method references: a function plus the object it is called on. A handler
// is unset when its function is null; two handlers count as the same when their functions
// are equal, whatever their objects. `Bind<&T::Method>(object)` makes one function per
// method, so binding the same method twice gives handlers that compare the same.

#include <utility>

namespace kelvatrix {

template <typename Signature>
class HidEvent;

template <typename R, typename... Args>
class HidEvent<R(Args...)> {
 public:
  using Function = R (*)(void* object, Args... args);

  HidEvent() = default;
  HidEvent(Function function, void* object) : function_(function), object_(object) {}

  template <auto Method, typename T>
  static HidEvent Bind(T* object) {
    return HidEvent(
        [](void* target, Args... args) -> R {
          return (static_cast<T*>(target)->*Method)(std::forward<Args>(args)...);
        },
        object);
  }

  bool IsSet() const { return function_ != nullptr; }
  bool SameFunction(const HidEvent& other) const { return function_ == other.function_; }
  void* Object() const { return object_; }

  R operator()(Args... args) const { return function_(object_, std::forward<Args>(args)...); }

 private:
  Function function_ = nullptr;
  void* object_ = nullptr;
};

}  // namespace kelvatrix
