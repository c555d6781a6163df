// Little-endian integers appended to a byte buffer, for the files the tools write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Overwrites `bytes` bytes at `at` (a size filled in once it is known).
inline void PatchLittleEndian(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
