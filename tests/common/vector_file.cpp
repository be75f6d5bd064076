#include "common/vector_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/hex.h"

namespace quillon::test {

std::string DataPath(const std::string& name) {
    return std::string(QUILLON_TEST_DATA_DIR) + "/" + name;
}

Bytes FromHex(const std::string& hex) {
    Bytes bytes(hex.size() / 2);
    EXPECT_TRUE(support::HexDecode(hex, bytes)) << "bad hex: " << hex;
    return bytes;
}

std::string ToHex(const std::uint8_t* bytes, std::size_t size) {
    std::string text(2 * size, '\0');
    support::HexEncode({bytes, size}, text.data(), support::HexCase::kUpper);
    return text;
}

VectorFile::VectorFile(const std::string& name) {
    std::ifstream in(DataPath(name));
    EXPECT_TRUE(in.good()) << "cannot open " << DataPath(name);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto equals = line.find(" = ");
        if (equals == std::string::npos) {
            ADD_FAILURE() << name << ": malformed line: " << line;
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 3);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            entries_[key] = Bytes(value.begin() + 1, value.end() - 1);
        } else {
            entries_[key] = FromHex(value);
        }
    }
}

Bytes VectorFile::Get(const std::string& key) const {
    const auto found = entries_.find(key);
    EXPECT_NE(found, entries_.end()) << "no vector named " << key;
    return found == entries_.end() ? Bytes{} : found->second;
}

}  // namespace quillon::test
