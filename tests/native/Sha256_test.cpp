#include "data/Sha256.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

Bytes Repeated(char c, std::size_t n) { return Bytes(n, static_cast<std::uint8_t>(c)); }
Bytes Counting(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i % 251);
  return b;
}
Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The standard vectors, and lengths on either side of the padding's boundaries (55/56 bytes
// fit the length in the last block or not; 64 fills a block exactly).
TEST(Sha256, KnownVectors) {
  const struct {
    const char* label;
    Bytes input;
    const char* hex;
  } cases[] = {
      {"empty", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", Text("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"448 bits", Text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"a million a", Repeated('a', 1000000), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {"55", Counting(55), "463eb28e72f82e0a96c0a4cc53690c571281131f672aa229e0d45ae59b598b59"},
      {"56", Counting(56), "da2ae4d6b36748f2a318f23e7ab1dfdf45acdc9d049bd80e59de82a60895f562"},
      {"63", Counting(63), "29af2686fd53374a36b0846694cc342177e428d1647515f078784d69cdb9e488"},
      {"64", Counting(64), "fdeab9acf3710362bd2658cdc9a29e8f9c757fcf9811603a8c447cd1d9151108"},
      {"65", Counting(65), "4bfd2c8b6f1eec7a2afeb48b934ee4b2694182027e6d0fc075074f2fabb31781"},
      {"119", Counting(119), "da18797ed7c3a777f0847f429724a2d8cd5138e6ed2895c3fa1a6d39d18f7ec6"},
  };
  for (const auto& c : cases) EXPECT_EQ(DigestHex(Sha256Of(c.input)), c.hex) << c.label;
}

// Any split into updates gives the one-shot digest: the chunks a file is read in never matter.
TEST(Sha256, UpdatesInAnyChunksGiveTheSameDigest) {
  const Bytes input = Counting(1000);
  const Sha256Digest whole = Sha256Of(input);
  for (std::size_t chunk : {1u, 3u, 55u, 63u, 64u, 65u, 128u, 999u}) {
    Sha256 hash;
    for (std::size_t at = 0; at < input.size(); at += chunk) {
      hash.Update(ByteView(input).subspan(at, std::min(chunk, input.size() - at)));
    }
    EXPECT_EQ(hash.Finish(), whole) << "chunks of " << chunk;
  }
}

TEST(Sha256, HexParsesOnlySixtyFourDigits) {
  const std::string hex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  ASSERT_TRUE(ParseDigestHex(hex));
  EXPECT_EQ(DigestHex(*ParseDigestHex(hex)), hex);
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ParseDigestHex(upper), ParseDigestHex(hex));
  for (const std::string& bad : {hex.substr(1), hex + "0", hex.substr(0, 63) + "g", hex.substr(0, 63) + " ", std::string()}) {
    EXPECT_FALSE(ParseDigestHex(bad)) << bad;
  }
}

}  // namespace
}  // namespace brevix
