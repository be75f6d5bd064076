// A malloc-backed byte buffer that wipes itself before it frees its memory. Used for key
// material and other secrets on paths where allocation failure is a result, not a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon::support {

class SecureBuffer {
  public:
    SecureBuffer() = default;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;
    SecureBuffer(SecureBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    SecureBuffer& operator=(SecureBuffer&& other) noexcept {
        if (this != &other) {
            Reset();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~SecureBuffer() { Reset(); }

    // Zero-filled buffer of the given size; check with ok(), the allocation may fail.
    [[nodiscard]] static SecureBuffer Zeroed(std::size_t size) {
        SecureBuffer buffer;
        buffer.data_ = static_cast<std::uint8_t*>(AllocateZeroed(size));
        if (buffer.data_ != nullptr) buffer.size_ = size;
        return buffer;
    }

    [[nodiscard]] bool ok() const { return data_ != nullptr; }
    [[nodiscard]] std::uint8_t* data() { return data_; }
    [[nodiscard]] const std::uint8_t* data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] std::span<std::uint8_t> span() { return {data_, size_}; }
    [[nodiscard]] std::span<const std::uint8_t> span() const { return {data_, size_}; }

    void Reset() {
        WipeAndRelease(data_, size_);
        data_ = nullptr;
        size_ = 0;
    }

  private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace quillon::support
