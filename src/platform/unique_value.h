// A move-only owner of one platform value, released through the seam so that every release is seen.
#pragma once

#include <utility>

namespace glowtide {

// Releaser is a small copyable callable (it usually holds a pointer to the platform interface)
// that releases one value. kInvalid marks "owns nothing".
template <typename T, typename Releaser, T kInvalid = T{}>
class UniqueValue {
 public:
  UniqueValue() = default;
  UniqueValue(T value, Releaser releaser) : value_(value), releaser_(releaser) {}
  UniqueValue(const UniqueValue&) = delete;
  UniqueValue& operator=(const UniqueValue&) = delete;
  UniqueValue(UniqueValue&& other) noexcept : value_(other.release()), releaser_(other.releaser_) {}
  UniqueValue& operator=(UniqueValue&& other) noexcept {
    if (this != &other) {
      reset();
      releaser_ = other.releaser_;
      value_ = other.release();
    }
    return *this;
  }
  ~UniqueValue() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != kInvalid; }

  // Gives up ownership without releasing.
  T release() { return std::exchange(value_, kInvalid); }

  // Releases what is owned now and owns nothing afterwards.
  void reset() {
    T value = release();
    if (value != kInvalid) releaser_(value);
  }

 private:
  T value_ = kInvalid;
  Releaser releaser_{};
};

}  // namespace glowtide
