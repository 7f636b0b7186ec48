// Little-endian reads and writes of the numbers in edition files.
#pragma once

#include <cstdint>
#include <cstring>

namespace zrt {

inline uint16_t GetU16(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t GetU32(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

inline void PutU16(void* p, uint16_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
}

inline void PutU32(void* p, uint32_t v) {
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline uint64_t GetU64(const void* p) {
  return GetU32(p) | (static_cast<uint64_t>(GetU32(static_cast<const char*>(p) + 4)) << 32);
}

inline void PutU64(void* p, uint64_t v) {
  PutU32(p, static_cast<uint32_t>(v));
  PutU32(static_cast<char*>(p) + 4, static_cast<uint32_t>(v >> 32));
}

// Edition files begin with a 4-byte magic ("ASDX", "ASDD", ...); offsets stored in them
// mostly count from its end.
inline constexpr size_t kMagicSize = 4;

inline bool HasMagic(const void* p, const char* magic) { return std::memcmp(p, magic, kMagicSize) == 0; }

}  // namespace zrt
