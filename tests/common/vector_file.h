// Reads the vector files of tests/data (first line: the source). Values are HEX or "text". Two
// shapes: flat files of unique "name = value" lines (VectorFile), and record files
// (ReadVectorRecords) of "[Section]" headers and blank-line-separated records of any
// "Name = value" fields, such as Key = / Plaintext = / Ciphertext =, where adding a case means
// adding a record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;

// One record: its fields as written, the section it is under, and where it starts, for failure
// messages.
struct VectorRecord {
    std::string file;
    std::string section;
    int line = 0;  // of the record's first field
    std::map<std::string, std::string> fields;

    [[nodiscard]] bool Has(const std::string& name) const { return fields.count(name) != 0; }
    // The field's value as bytes (HEX, or the quoted text's bytes); a missing field fails the
    // calling test.
    [[nodiscard]] Bytes Get(const std::string& name) const;
    // A field written as a decimal in quotes ("1000000").
    [[nodiscard]] std::size_t Number(const std::string& name) const;
    // "hmac.txt:12 [HMAC-MD5]": for SCOPED_TRACE.
    [[nodiscard]] std::string Where() const;
};

// Every record of tests/data/<name> in file order; a missing file, a malformed line or a field
// given twice in one record fails the calling test.
[[nodiscard]] std::vector<VectorRecord> ReadVectorRecords(const std::string& name);

// The records of one section, in file order.
[[nodiscard]] std::vector<VectorRecord> RecordsInSection(const std::vector<VectorRecord>& records,
                                                         const std::string& section);

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
