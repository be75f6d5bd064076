// Text measured, then written: a writer runs once over a counting sink (no buffer) to learn the
// size, then again over a sink on a buffer of exactly that size.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

namespace quillon::support {

class TextSink {
  public:
    // Counts only when out is null; else writes into the capacity characters at out.
    TextSink(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    void Put(char c) {
        if (out_ != nullptr) out_[size_] = c;
        ++size_;
    }
    void Put(std::string_view text) {
        if (out_ != nullptr) std::memcpy(out_ + size_, text.data(), text.size());
        size_ += text.size();
    }

    // The room after the text so far (none while the sink only counts), for a writer that
    // writes in place; Skip then moves past what it wrote.
    [[nodiscard]] std::span<char> Rest() const {
        return out_ != nullptr ? std::span<char>(out_ + size_, capacity_ - size_)
                               : std::span<char>();
    }
    void Skip(std::size_t count) { size_ += count; }

    [[nodiscard]] std::size_t size() const { return size_; }

  private:
    char* out_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

}  // namespace quillon::support
