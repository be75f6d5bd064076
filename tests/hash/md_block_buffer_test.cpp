#include "hash/md_block_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/vector_file.h"

namespace quillon::hash {
namespace {

using test::Bytes;

// What a compression function is handed: every block, in order.
struct Recorder {
    Bytes blocks;
    int calls = 0;
    void operator()(const std::uint8_t* data, std::size_t count) {
        blocks.insert(blocks.end(), data, data + count * kMdBlockLength);
        ++calls;
    }
};

Bytes Message(std::size_t length) {
    Bytes message(length);
    for (std::size_t i = 0; i < length; ++i) message[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return message;
}

// The padded message as the hash standards define it (FIPS 180-4 5.1.1, RFC 1321 3.1-3.2).
Bytes Padded(const Bytes& message, MdLengthOrder order) {
    Bytes padded = message;
    padded.push_back(0x80);
    while (padded.size() % 64 != 56) padded.push_back(0);
    const std::uint64_t bits = message.size() * 8;
    for (int i = 0; i < 8; ++i) {
        const int shift = order == MdLengthOrder::kBigEndian ? 56 - 8 * i : 8 * i;
        padded.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return padded;
}

// Every length around the block and padding boundaries, fed whole and in pieces of every size
// from 1 to 65: the blocks compressed are the padded message, whatever the pieces.
TEST(MdBlockBuffer, BlocksAreThePaddedMessageWhateverThePieces) {
    const std::size_t kLengths[] = {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000};
    for (const MdLengthOrder order : {MdLengthOrder::kBigEndian, MdLengthOrder::kLittleEndian}) {
        for (const std::size_t length : kLengths) {
            const Bytes message = Message(length);
            const Bytes expected = Padded(message, order);
            for (std::size_t piece = 1; piece <= 65; ++piece) {
                SCOPED_TRACE("length " + std::to_string(length) + ", pieces of " +
                             std::to_string(piece));
                MdBlockBuffer input;
                MdStart(input);
                Recorder recorder;
                for (std::size_t at = 0; at < length; at += piece) {
                    MdUpdate(input, message.data() + at, std::min(piece, length - at), recorder);
                }
                MdUpdate(input, nullptr, 0, recorder);  // nothing to take
                EXPECT_EQ(input.totalLength, length);
                EXPECT_LT(input.bufferLength, kMdBlockLength);
                MdFinish(input, order, recorder);
                ASSERT_EQ(recorder.blocks, expected);
            }
        }
    }
}

// Whole blocks go to the compression function in one call, straight from the caller's data.
TEST(MdBlockBuffer, WholeBlocksGoInOneCall) {
    const Bytes message = Message(10 * 64 + 5);
    MdBlockBuffer input;
    MdStart(input);
    int calls = 0;
    const std::uint8_t* seen = nullptr;
    MdUpdate(input, message.data(), message.size(), [&](const std::uint8_t* data, std::size_t n) {
        ++calls;
        seen = data;
        EXPECT_EQ(n, 10u);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, message.data());
    EXPECT_EQ(input.bufferLength, 5u);
}

}  // namespace
}  // namespace quillon::hash
