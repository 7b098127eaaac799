#include "output/Crc32.h"

#include <array>

namespace {
// Eight tables, so that eight bytes take eight look-ups and no loop of their own: a Save
// checks every byte it wrote.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

Tables makeTables() {
    Tables t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][n] = c;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (uint32_t n = 0; n < 256; ++n) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
}
}  // namespace

uint32_t crc32(uint32_t crc, const void* data, size_t size) {
    static const Tables t = makeTables();
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, p += 8) {
        const uint32_t one = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
        crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24] ^ t[3][p[4]] ^
              t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; size > 0; --size, ++p) crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
