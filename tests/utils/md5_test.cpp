#include "utils/md5.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 251);
  return s;
}

TEST(Md5, RfcTestSuite) {
  struct Case {
    const char* input;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utils::Md5OfText(c.input), c.digest) << c.input;
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest) {
  const std::string data = Pattern(1000003);
  for (size_t piece : {size_t{1}, size_t{7}, size_t{63}, size_t{64}, size_t{65}, size_t{1024}, size_t{99991}}) {
    Utils::Md5 md5;
    md5.Update(data.data(), 0);
    for (size_t at = 0; at < data.size(); at += piece) md5.Update(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Utils::Md5Hex(md5.Final()), "c767382bbc15b14aff5ccfad14bdd82e") << piece;
  }
}

TEST(Md5, FileDigests) {
  TempDir dir;
  WriteFile(dir / "empty", "");
  WriteFile(dir / "k1024", std::string(1024, 'a'));
  WriteFile(dir / "k1025", Pattern(1025));
  EXPECT_EQ(Utils::GetFileMd5((dir / "empty").string()), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Utils::GetFileMd5((dir / "k1024").string()), "c9a34cfc85d982698c6ac89f76071abd");
  EXPECT_EQ(Utils::GetFileMd5((dir / "k1025").string()), "3f3789452b88cb32b8cbfbafe715e29a");
  EXPECT_EQ(Utils::GetFileMd5((dir / "missing").string()), "");
  EXPECT_EQ(Utils::GetFileMd5(""), "");
  EXPECT_EQ(Utils::GetFileMd5(dir.str()), "") << "a folder is not a readable file";
}

}  // namespace
