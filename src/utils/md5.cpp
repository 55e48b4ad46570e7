#include "utils/md5.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace Utils {
namespace {

inline uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);  // little-endian hosts only (x86-64, aarch64)
  return v;
}

}  // namespace

void Md5::Init() {
  state_[0] = 0x67452301u;
  state_[1] = 0xefcdab89u;
  state_[2] = 0x98badcfeu;
  state_[3] = 0x10325476u;
  bytes_ = 0;
  buffered_ = 0;
}

// The four rounds of RFC 1321, unrolled.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, x, t, s) \
  (a) += f((b), (c), (d)) + (x) + (t);   \
  (a) = Rotl((a), (s)) + (b);
// G(b, c, d) = (b & d) | (c & ~d): the two terms share no bits, so they can be
// added separately, which shortens the dependency chain.
#define MD5_STEP_G(a, b, c, d, x, t, s)            \
  (a) += ((c) & ~(d)) + (x) + (t) + ((b) & (d));   \
  (a) = Rotl((a), (s)) + (b);

void Md5::Blocks(const uint8_t* p, size_t count) {
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (size_t n = 0; n < count; ++n, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32(p + 4 * i);
    const uint32_t aa = a, bb = b, cc = c, dd = d;

    MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
    MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
    MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17)
    MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
    MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
    MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
    MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17)
    MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22)
    MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7)
    MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
    MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
    MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
    MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7)
    MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12)
    MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17)
    MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22)

    MD5_STEP_G(a, b, c, d, x[1], 0xf61e2562, 5)
    MD5_STEP_G(d, a, b, c, x[6], 0xc040b340, 9)
    MD5_STEP_G(c, d, a, b, x[11], 0x265e5a51, 14)
    MD5_STEP_G(b, c, d, a, x[0], 0xe9b6c7aa, 20)
    MD5_STEP_G(a, b, c, d, x[5], 0xd62f105d, 5)
    MD5_STEP_G(d, a, b, c, x[10], 0x02441453, 9)
    MD5_STEP_G(c, d, a, b, x[15], 0xd8a1e681, 14)
    MD5_STEP_G(b, c, d, a, x[4], 0xe7d3fbc8, 20)
    MD5_STEP_G(a, b, c, d, x[9], 0x21e1cde6, 5)
    MD5_STEP_G(d, a, b, c, x[14], 0xc33707d6, 9)
    MD5_STEP_G(c, d, a, b, x[3], 0xf4d50d87, 14)
    MD5_STEP_G(b, c, d, a, x[8], 0x455a14ed, 20)
    MD5_STEP_G(a, b, c, d, x[13], 0xa9e3e905, 5)
    MD5_STEP_G(d, a, b, c, x[2], 0xfcefa3f8, 9)
    MD5_STEP_G(c, d, a, b, x[7], 0x676f02d9, 14)
    MD5_STEP_G(b, c, d, a, x[12], 0x8d2a4c8a, 20)

    MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
    MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11)
    MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
    MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
    MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
    MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
    MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
    MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
    MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
    MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
    MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
    MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23)
    MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
    MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
    MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
    MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

    MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6)
    MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10)
    MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
    MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
    MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
    MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
    MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
    MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
    MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
    MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
    MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15)
    MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
    MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
    MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
    MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
    MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state_[0] = a;
  state_[1] = b;
  state_[2] = c;
  state_[3] = d;
}

#undef MD5_STEP
#undef MD5_STEP_G
#undef MD5_F
#undef MD5_H
#undef MD5_I

void Md5::Update(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_ += size;
  if (buffered_ > 0) {
    size_t take = 64 - buffered_;
    if (take > size) take = size;
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take;
    p += take;
    size -= take;
    if (buffered_ < 64) return;
    Blocks(buffer_, 1);
    buffered_ = 0;
  }
  size_t whole = size / 64;
  if (whole > 0) {
    Blocks(p, whole);
    p += whole * 64;
    size -= whole * 64;
  }
  if (size > 0) {
    std::memcpy(buffer_, p, size);
    buffered_ = size;
  }
}

std::array<uint8_t, 16> Md5::Final() {
  const uint64_t bits = bytes_ * 8;
  static const uint8_t kPad[64] = {0x80};
  size_t padLen = (buffered_ < 56) ? 56 - buffered_ : 120 - buffered_;
  Update(kPad, padLen);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(length, 8);
  std::array<uint8_t, 16> out{};
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 4; ++k) out[4 * i + k] = static_cast<uint8_t>(state_[i] >> (8 * k));
  }
  return out;
}

std::string Md5Hex(const std::array<uint8_t, 16>& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string s(32, '0');
  for (size_t i = 0; i < 16; ++i) {
    s[2 * i] = kHex[digest[i] >> 4];
    s[2 * i + 1] = kHex[digest[i] & 15];
  }
  return s;
}

std::string Md5OfText(std::string_view text) {
  Md5 md5;
  md5.Update(text.data(), text.size());
  return Md5Hex(md5.Final());
}

std::string GetFileMd5(const std::string& path) {
  if (path.empty()) return {};
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return {};
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return {};
  Md5 md5;
  unsigned char block[1024];
  for (;;) {
    size_t n = std::fread(block, 1, sizeof block, file.get());
    if (n == 0) break;
    md5.Update(block, n);
  }
  return Md5Hex(md5.Final());
}

}  // namespace Utils
