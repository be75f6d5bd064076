// The profile tests' secure wipe: wipes exactly like the library's own and, while recording,
// notes the size of every block that is wiped and then released, so a test can see which
// secrets a read wiped before it let them go.
#pragma once

#include <cstddef>
#include <vector>

namespace quillon::test {

// Starts a new record.
void RecordWipedReleases();
// The sizes of the blocks wiped and released since RecordWipedReleases, in order; stops
// recording.
[[nodiscard]] std::vector<std::size_t> WipedReleases();

}  // namespace quillon::test
