#include "des_cipher.h"

#include <nettle/des.h>

#include <algorithm>
#include <cstring>

namespace {

// Nettle reports a weak key but keys the cipher all the same; the cards use whatever key they
// were given, so the library does too.
des_ctx keyed(const uint8_t* key) {
  des_ctx ctx;
  des_set_key(&ctx, key);
  return ctx;
}

}  // namespace

extern "C" {

void Encrypt(uint8_t* block, const uint8_t* key) {
  const des_ctx ctx = keyed(key);
  des_encrypt(&ctx, DES_BLOCK_SIZE, block, block);
}

void Decrypt(uint8_t* block, const uint8_t* key) {
  const des_ctx ctx = keyed(key);
  des_decrypt(&ctx, DES_BLOCK_SIZE, block, block);
}

void MAC(uint8_t* result, const uint8_t* data, int32_t length, const uint8_t* key) {
  const des_ctx ctx = keyed(key);
  uint8_t chain[DES_BLOCK_SIZE] = {};
  for (int32_t offset = 0; offset < length; offset += DES_BLOCK_SIZE) {
    const int32_t count = std::min<int32_t>(DES_BLOCK_SIZE, length - offset);
    for (int32_t i = 0; i < count; ++i) chain[i] ^= data[offset + i];  // a short last block is padded with zeros
    des_encrypt(&ctx, DES_BLOCK_SIZE, chain, chain);
  }
  std::memcpy(result, chain, DES_BLOCK_SIZE);
}

}  // extern "C"
