#pragma once
// Owns one reference to a COM interface.
#include <unknwn.h>

#include <utility>

namespace brevix::win32 {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() {
    reset();
    return &p_;
  }
  void reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace brevix::win32
