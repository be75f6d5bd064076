// The one owner of the library's objects: holds what a create function made and hands it to its
// destroy function (which takes the variable's address, the house shape of AlgDestroy and
// Delete) when the owner goes, unless the object was handed out first. Failure paths then have
// nothing to release by hand.
#pragma once

#include <utility>

namespace quillon::support {

template <class T, auto Destroy>
class Owner {
  public:
    Owner() = default;
    explicit Owner(T* object) : object_(object) {}
    ~Owner() { Reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : object_(other.Release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = other.Release();
        }
        return *this;
    }

    [[nodiscard]] T* get() const { return object_; }
    operator T*() const { return object_; }
    T* operator->() const { return object_; }

    // The held variable's address, for a function that writes a new object into it (AlgCreate,
    // KeyCreate); whatever was held is destroyed first.
    [[nodiscard]] T** Receive() {
        Reset();
        return &object_;
    }

    // The held variable's address, for an interface that takes a handle by the address of the
    // caller's variable on every call (AesCbcCrypt, DhFreeBuffer); nothing is destroyed.
    [[nodiscard]] T** Cell() { return &object_; }

    // Writes the object into a caller's variable; the caller owns it from then on.
    void HandOut(T** cell) { *cell = Release(); }

    [[nodiscard]] T* Release() { return std::exchange(object_, nullptr); }

    void Reset() {
        if (object_ != nullptr) (void)Destroy(&object_);
        object_ = nullptr;
    }

  private:
    T* object_ = nullptr;
};

}  // namespace quillon::support
