#pragma once
// Whole messages on a blocking connection of the servers: a 4-byte little-endian length prefix that
// counts itself, checked by the library's own rule before anything is allocated.
#include <cstdint>
#include <vector>

namespace tarnserver {

// False at the end of the connection, or for a prefix the stream cannot go on from. An empty message
// comes back as an empty vector with true.
bool ReadFramed(int handle, std::vector<uint8_t>& body);
bool WriteFramed(int handle, const std::vector<uint8_t>& body);

}  // namespace tarnserver
