#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include <zlib.h>

// What a Save knows a file by: its size and its CRC-32 (zip's and PNG's), carried on over
// consecutive pieces of it.
struct FilePrint {
    uint64_t size = 0;
    uint32_t crc = 0;

    void add(const void* data, size_t length) {
        // zlib takes at most 4 GiB a call.
        for (const auto* bytes = static_cast<const Bytef*>(data); length > 0;) {
            const uInt piece = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
            crc = static_cast<uint32_t>(crc32(crc, bytes, piece));
            bytes += piece, length -= piece, size += piece;
        }
    }
    bool operator==(const FilePrint& other) const { return size == other.size && crc == other.crc; }
    bool operator!=(const FilePrint& other) const { return !(*this == other); }
};

// Files written, by path.
using FilePrints = std::map<std::string, FilePrint>;
