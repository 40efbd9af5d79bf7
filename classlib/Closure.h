// Method pointers: an object and a code address, comparable, bindable from a
// member function. Events, window procedures and hook lists use them;
// std::function would not do, since it cannot be compared.
#pragma once

#include <cstddef>

// The untyped pair, as stored by the component reader and compared by hooks.
struct TMethod {
  void* Data = nullptr;
  void* Code = nullptr;

  bool operator==(const TMethod& o) const { return Data == o.Data && Code == o.Code; }
  bool operator!=(const TMethod& o) const { return !(*this == o); }
};

template <typename Sig>
class TClosure;

template <typename R, typename... A>
class TClosure<R(A...)> {
 public:
  using Trampoline = R (*)(void*, A...);

  TClosure() = default;
  TClosure(std::nullptr_t) {}
  TClosure(void* data, Trampoline code) : data_(data), code_(code) {}

  static TClosure FromMethod(const TMethod& m) {
    return TClosure(m.Data, reinterpret_cast<Trampoline>(m.Code));
  }
  TMethod AsMethod() const { return TMethod{data_, reinterpret_cast<void*>(code_)}; }

  bool Assigned() const { return code_ != nullptr; }
  explicit operator bool() const { return Assigned(); }

  R operator()(A... args) const { return code_(data_, static_cast<A>(args)...); }

  void* Data() const { return data_; }
  bool SameMethodCode(const TClosure& o) const { return code_ == o.code_; }
  bool operator==(const TClosure& o) const { return data_ == o.data_ && code_ == o.code_; }
  bool operator!=(const TClosure& o) const { return !(*this == o); }

 private:
  void* data_ = nullptr;
  Trampoline code_ = nullptr;
};

namespace closure_detail {
template <auto M>
struct Member;

template <typename C, typename R, typename... A, R (C::*M)(A...)>
struct Member<M> {
  using Closure = TClosure<R(A...)>;
  static R Call(void* obj, A... args) {
    return (static_cast<C*>(obj)->*M)(static_cast<A>(args)...);
  }
  static Closure Bind(C* obj) { return Closure(obj, &Call); }
};

template <typename C, typename R, typename... A, R (C::*M)(A...) const>
struct Member<M> {
  using Closure = TClosure<R(A...)>;
  static R Call(void* obj, A... args) {
    return (static_cast<const C*>(obj)->*M)(static_cast<A>(args)...);
  }
  static Closure Bind(const C* obj) { return Closure(const_cast<C*>(obj), &Call); }
};
}  // namespace closure_detail

// Binds a member function to an object: Method<&TForm1::ButtonClick>(this).
// One trampoline per (class, member), so equal code means the same method.
template <auto M, typename C>
auto Method(C* obj) {
  return closure_detail::Member<M>::Bind(obj);
}
