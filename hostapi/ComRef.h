// A counted reference to a COM interface: holds one reference and releases it when replaced or
// destroyed. [any-thread; one owner thread at a time]
#pragma once

#include <utility>

#include "hostapi/ComTypes.h"

namespace velmora {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  // Takes a reference of its own to `p` (the caller keeps its reference).
  explicit ComRef(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComRef(const ComRef& other) : ComRef(other.p_) {}
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComRef() {
    if (p_) p_->Release();
  }

  // Replaces the held pointer, adding a reference to the new one and releasing the old one.
  void reset(T* p = nullptr) {
    if (p) p->AddRef();
    T* old = std::exchange(p_, p);
    if (old) old->Release();
  }
  // Takes over a reference that the caller already owns (an out-parameter's result).
  void adopt(T* p) {
    reset();
    p_ = p;
  }
  // Releases the held pointer and gives the address to pass as an out-parameter.
  T** put() {
    reset();
    return &p_;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace velmora
