#include "des_cipher.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using Block = std::array<uint8_t, 8>;

Block block(const char* hex) {
  Block b{};
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(std::stoul(std::string(hex + 2 * i, 2), nullptr, 16));
  return b;
}

// Published single-DES test vectors: key, plaintext, ciphertext.
struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};
constexpr Vector kVectors[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
};

TEST(Des, EncryptsAndDecryptsThePublishedVectors) {
  for (const Vector& v : kVectors) {
    Block data = block(v.plain);
    const Block key = block(v.key);
    Encrypt(data.data(), key.data());
    EXPECT_EQ(data, block(v.cipher)) << v.key;
    Decrypt(data.data(), key.data());
    EXPECT_EQ(data, block(v.plain)) << v.key;
  }
}

TEST(Des, WeakKeysAreAcceptedAndParityIsIgnored) {
  // Enciphering twice under a weak key gives the block back.
  const Block weak = block("0101010101010101");
  Block data = block("0123456789ABCDEF");
  Encrypt(data.data(), weak.data());
  EXPECT_NE(data, block("0123456789ABCDEF"));
  Encrypt(data.data(), weak.data());
  EXPECT_EQ(data, block("0123456789ABCDEF"));

  Block a = block("0123456789ABCDEF");
  Block b = a;
  Encrypt(a.data(), block("133457799BBCDFF1").data());
  Encrypt(b.data(), block("123456789ABCDEF0").data());  // same key but for the parity bits
  EXPECT_EQ(a, b);
}

TEST(Des, MacIsCbcWithAZeroIvOverTheData) {
  const Block key = block("0123456789ABCDEF");
  uint8_t data[16];
  std::memcpy(data, "Now is the time ", 16);
  uint8_t mac[8];
  MAC(mac, data, 16, key.data());

  Block expected{};
  std::memcpy(expected.data(), data, 8);
  Encrypt(expected.data(), key.data());
  for (int i = 0; i < 8; ++i) expected[i] ^= data[8 + i];
  Encrypt(expected.data(), key.data());
  EXPECT_EQ(Block(std::to_array(mac)), expected);
  // The first block alone: E(K, D1) = 3FA40E8A984D4815 ("Now is t" above).
  MAC(mac, data, 8, key.data());
  EXPECT_EQ(Block(std::to_array(mac)), block("3FA40E8A984D4815"));
}

TEST(Des, ShortDataIsPaddedWithZeros) {
  const Block key = block("0123456789ABCDEF");
  const uint8_t short_data[5] = {1, 2, 3, 4, 5};
  const uint8_t padded[8] = {1, 2, 3, 4, 5, 0, 0, 0};
  uint8_t a[8], b[8];
  MAC(a, short_data, 5, key.data());
  MAC(b, padded, 8, key.data());
  EXPECT_EQ(0, std::memcmp(a, b, 8));
}

TEST(Des, LibraryExportsTheThreeEntriesByName) {
  void* library = ::dlopen(DES_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  EXPECT_NE(::dlsym(library, "Encrypt"), nullptr);
  EXPECT_NE(::dlsym(library, "Decrypt"), nullptr);
  EXPECT_NE(::dlsym(library, "MAC"), nullptr);
  EXPECT_EQ(::dlsym(library, "des_set_key"), nullptr);
  ::dlclose(library);
}

}  // namespace
