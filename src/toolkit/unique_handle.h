#pragma once
// A move-only owner of one platform handle. Traits name the handle type, its "no handle"
// value and the call that releases it, so each kind of handle has a one-line typedef and a
// handle never leaks on an error path.

#include <utility>

template <class Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(pointer h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  pointer get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::invalid(); }

  // Gives up ownership without releasing.
  pointer release() noexcept { return std::exchange(h_, Traits::invalid()); }

  // Releases the held handle (if any) and takes h.
  void reset(pointer h = Traits::invalid()) noexcept {
    pointer old = std::exchange(h_, h);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  pointer h_ = Traits::invalid();
};
