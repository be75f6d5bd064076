#include "common/vector_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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

namespace {

// A value as bytes: "text" gives the text's bytes, anything else is read as HEX.
Bytes ValueBytes(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return Bytes(value.begin() + 1, value.end() - 1);
    }
    return FromHex(value);
}

// Calls field(lineNumber, name, value) for each "name = value" line and other(lineNumber, line)
// for each other line that is not a comment; a line ending in CR reads as one ending in LF.
template <class Field, class Other>
void ReadLines(const std::string& name, Field field, Other other) {
    std::ifstream in(DataPath(name));
    EXPECT_TRUE(in.good()) << "cannot open " << DataPath(name);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        const auto equals = line.find(" = ");
        if (equals == std::string::npos) {
            other(number, line);
        } else {
            field(number, line.substr(0, equals), line.substr(equals + 3));
        }
    }
}

}  // namespace

VectorFile::VectorFile(const std::string& name) {
    ReadLines(
        name,
        [&](int, const std::string& key, const std::string& value) {
            entries_[key] = ValueBytes(value);
        },
        [&](int, const std::string& line) {
            if (!line.empty()) ADD_FAILURE() << name << ": malformed line: " << line;
        });
}

Bytes VectorRecord::Get(const std::string& name) const {
    const auto found = fields.find(name);
    EXPECT_NE(found, fields.end()) << Where() << ": no field " << name;
    return found == fields.end() ? Bytes{} : ValueBytes(found->second);
}

std::size_t VectorRecord::Number(const std::string& name) const {
    const Bytes text = Get(name);
    return std::stoul(std::string(text.begin(), text.end()));
}

std::string VectorRecord::Where() const {
    return file + ":" + std::to_string(line) + " [" + section + "]";
}

std::vector<VectorRecord> ReadVectorRecords(const std::string& name) {
    std::vector<VectorRecord> records;
    std::string section;
    bool open = false;  // the last record still takes fields
    ReadLines(
        name,
        [&](int number, const std::string& field, const std::string& value) {
            if (!open) {
                records.push_back({name, section, number, {}});
                open = true;
            }
            if (!records.back().fields.emplace(field, value).second) {
                ADD_FAILURE() << name << ":" << number << ": " << field << " given twice";
            }
        },
        [&](int number, const std::string& line) {
            open = false;
            if (line.empty()) return;
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
                section = line.substr(1, line.size() - 2);
            } else {
                ADD_FAILURE() << name << ":" << number << ": malformed line: " << line;
            }
        });
    EXPECT_FALSE(records.empty()) << name << " holds no record";
    return records;
}

std::vector<VectorRecord> RecordsInSection(const std::vector<VectorRecord>& records,
                                           const std::string& section) {
    std::vector<VectorRecord> found;
    for (const VectorRecord& record : records) {
        if (record.section == section) found.push_back(record);
    }
    EXPECT_FALSE(found.empty()) << "no record in [" << section << "]";
    return found;
}

Bytes VectorFile::Get(const std::string& key) const {
    const auto found = entries_.find(key);
    EXPECT_NE(found, entries_.end()) << "no vector named " << key;
    return found == entries_.end() ? Bytes{} : found->second;
}

}  // namespace quillon::test
