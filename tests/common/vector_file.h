// Reads the "name = HEX" / name = "text" vector files of tests/data (first line: the source).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;

class VectorFile {
  public:
    // Loads tests/data/<name>; a missing file or a malformed line fails the calling test.
    explicit VectorFile(const std::string& name);

    // The value of an entry as bytes (HEX) or as the quoted text's bytes.
    [[nodiscard]] Bytes Get(const std::string& key) const;
    [[nodiscard]] bool Has(const std::string& key) const { return entries_.count(key) != 0; }

  private:
    std::map<std::string, Bytes> entries_;
};

// Test-side hex helpers.
[[nodiscard]] Bytes FromHex(const std::string& hex);
[[nodiscard]] std::string ToHex(const std::uint8_t* bytes, std::size_t size);
[[nodiscard]] inline std::string ToHex(const Bytes& bytes) {
    return ToHex(bytes.data(), bytes.size());
}

// Path of a file in tests/data.
[[nodiscard]] std::string DataPath(const std::string& name);

}  // namespace quillon::test
