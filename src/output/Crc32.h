#pragma once
#include <cstddef>
#include <cstdint>

// The CRC-32 of zip and PNG, carried on over consecutive pieces: start with crc 0.
uint32_t crc32(uint32_t crc, const void* data, size_t size);
