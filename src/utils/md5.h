// MD5 message digest (RFC 1321).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Utils {

class Md5 {
 public:
  Md5() { Init(); }
  void Init();
  // Feeds bytes; pieces may have any size, including 0.
  void Update(const void* data, size_t size);
  // Finishes and returns the 16 digest bytes; call Init() before reusing.
  std::array<uint8_t, 16> Final();

 private:
  void Blocks(const uint8_t* data, size_t count);

  uint32_t state_[4];
  uint64_t bytes_;
  uint8_t buffer_[64];
  size_t buffered_;
};

// 32 lower-case hexadecimal characters of a digest.
std::string Md5Hex(const std::array<uint8_t, 16>& digest);
// Digest text of a byte string.
std::string Md5OfText(std::string_view text);

// Digest text of a file's content (narrow path), streamed through a small
// buffer; empty when the path is empty or the file cannot be opened. A read
// error ends the input like the end of the file.
std::string GetFileMd5(const std::string& path);

}  // namespace Utils
