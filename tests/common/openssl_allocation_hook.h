// OpenSSL's allocations through the module's checked allocator, so that its failure hook, its
// count and its observer cover libcrypto too; and a recorder of the bytes of every block freed
// (by libcrypto or by the module) for tests that look for secrets left behind. Install the hook
// in a program's static initialisation: libcrypto takes it only before its first allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

namespace quillon::test {

// False when libcrypto has allocated already and keeps its own allocator.
[[nodiscard]] bool InstallOpensslAllocationHook();

// While one lives, the bytes of every block made and then freed in its lifetime are appended
// to its record, whole (blocks made before it are not looked at).
class FreedBlockRecorder {
  public:
    FreedBlockRecorder();
    ~FreedBlockRecorder();
    FreedBlockRecorder(const FreedBlockRecorder&) = delete;
    FreedBlockRecorder& operator=(const FreedBlockRecorder&) = delete;

    // True when 16 consecutive bytes of the secret (a window every 8 bytes, in its own byte
    // order or reversed, as a big number's limbs hold it) appear in a freed block.
    [[nodiscard]] bool Holds(std::span<const std::uint8_t> secret) const;
    [[nodiscard]] std::size_t blocks() const { return blocks_; }

  private:
    static void Made(const void* block, std::size_t size);
    static void Releasing(const void* block);

    std::unordered_map<const void*, std::size_t> live_;
    std::string bytes_;
    std::size_t blocks_ = 0;
};

}  // namespace quillon::test
