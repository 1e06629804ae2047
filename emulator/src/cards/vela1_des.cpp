#include "vela1_des.h"

#include <nettle/des.h>

#include <algorithm>

namespace kitesim::vela1 {
namespace {

// Nettle reports a weak key but keys the cipher all the same, which is what the card wants.
des_ctx keyed(const Block& key) {
  des_ctx ctx;
  des_set_key(&ctx, key.data());
  return ctx;
}

}  // namespace

Block encipher(const Block& block, const Block& key) {
  const des_ctx ctx = keyed(key);
  Block out;
  des_encrypt(&ctx, out.size(), out.data(), block.data());
  return out;
}

Block decipher(const Block& block, const Block& key) {
  const des_ctx ctx = keyed(key);
  Block out;
  des_decrypt(&ctx, out.size(), out.data(), block.data());
  return out;
}

Block cbc_mac(std::span<const std::uint8_t> data, const Block& key) {
  const des_ctx ctx = keyed(key);
  Block chain{};
  for (std::size_t offset = 0; offset < data.size(); offset += chain.size()) {
    const std::size_t count = std::min(chain.size(), data.size() - offset);
    for (std::size_t i = 0; i < count; ++i) chain[i] ^= data[offset + i];
    des_encrypt(&ctx, chain.size(), chain.data(), chain.data());
  }
  return chain;
}

}  // namespace kitesim::vela1
