// The card models, by name: adding a model is adding a row here and its class.
#include <array>
#include <functional>
#include <stdexcept>

#include "demo_cards.h"
#include "iic_card.h"
#include "kitesim/card.h"
#include "mcu_card.h"
#include "vela1_card.h"
#include "vela1_demo.h"

namespace kitesim {

// Memory card models, one file each (<name>_card.cpp).
std::unique_ptr<Card> make_lm104(const CardOptions&);
std::unique_ptr<Card> make_lm221(const CardOptions&);
std::unique_ptr<Card> make_sle4404(const CardOptions&);
std::unique_ptr<Card> make_gpm896(const CardOptions&);
std::unique_ptr<Card> make_at101(const CardOptions&);
std::unique_ptr<Card> make_at102(const CardOptions&);
std::unique_ptr<Card> make_lm8kp(const CardOptions&);
std::unique_ptr<Card> make_lm8ks(const CardOptions&);
std::unique_ptr<Card> make_lm2kp(const CardOptions&);
std::unique_ptr<Card> make_lm2ks(const CardOptions&);
std::unique_ptr<Card> make_xiic(const CardOptions&);
std::unique_ptr<Card> make_at1604(const CardOptions&);
std::unique_ptr<Card> make_lm256(const CardOptions&);
std::unique_ptr<Card> make_lm4kp(const CardOptions&);
std::unique_ptr<Card> make_x76f041(const CardOptions&);
std::unique_ptr<Card> make_x24645(const CardOptions&);
std::unique_ptr<Card> make_st1335(const CardOptions&);
std::unique_ptr<Card> make_st1333(const CardOptions&);
std::unique_ptr<Card> make_x76f128(const CardOptions&);
std::unique_ptr<Card> make_x76f640(const CardOptions&);
std::unique_ptr<Card> make_x76f100(const CardOptions&);

namespace {

// Answers to reset: TS 3B, T0 with the count of historical bytes; the T=1 one adds TD1 = 01 and TCK.
const Bytes mcu_t0_atr{0x3B, 0x02, 0x4B, 0x54};
const Bytes mcu_t1_atr{0x3B, 0x82, 0x01, 0x4B, 0x54, 0x9C};
const Bytes module_atr{0x3B, 0x02, 0x53, 0x4D};

struct CardModel {
  const char* name;
  const char* description;
  std::function<std::unique_ptr<Card>(const CardOptions&)> make;
};

const std::array<CardModel, 31>& models() {
  static const std::array<CardModel, 31> table{{
      {"mcu-t0", "microcontroller card, T=0",
       [](const CardOptions& o) {
         return std::make_unique<McuCard>("mcu-t0", CardProtocol::t0, o.atr.value_or(mcu_t0_atr));
       }},
      {"mcu-t1", "microcontroller card, T=1",
       [](const CardOptions& o) {
         return std::make_unique<McuCard>("mcu-t1", CardProtocol::t1, o.atr.value_or(mcu_t1_atr));
       }},
      {"iic", "IIC memory card, 256 bytes",
       [](const CardOptions& o) { return std::make_unique<IicCard>("iic", 256, o.memory_file); }},
      {"iic-2k", "IIC memory card, 2048 bytes",
       [](const CardOptions& o) { return std::make_unique<IicCard>("iic-2k", 2048, o.memory_file); }},
      {"lm104", "LM104 counter card, 13 bytes (card type 1, reader byte 01)", make_lm104},
      {"lm221", "LM221 counter card with authentication, 48 bytes (card type 2, reader byte 01)", make_lm221},
      {"sle4404", "SLE4404 code-protected memory with fuse pin, 52 bytes (card type 3, reader byte 03)", make_sle4404},
      {"gpm896", "GPM896 code-protected memory with fuse pin, 112 bytes (card type 4, reader byte 03)", make_gpm896},
      {"at101", "AT101 code-protected memory with fuse, 172 bytes (card type 5, reader byte 03)", make_at101},
      {"at102", "AT102 code-protected memory with fuse, 178 bytes (card type 6, reader byte 03)", make_at102},
      {"lm8kp", "LM8KP protectable memory, 1024 bytes (card type 7, reader byte 05)", make_lm8kp},
      {"lm8ks", "LM8KS protectable memory with security code, 1024 bytes (card type 8, reader byte 05)", make_lm8ks},
      {"lm2kp", "LM2KP memory, 256 bytes, first 32 protectable (card type 9, reader byte 06)", make_lm2kp},
      {"lm2ks", "LM2KS memory with security code, 256 bytes, first 32 protectable (card type 10, reader byte 06)",
       make_lm2ks},
      {"xiic", "XIIC memory with block protection, 2048 bytes (card type 12, reader byte 07)", make_xiic},
      {"at1604", "AT1604 code-protected memory with four zones and fuse, 2007 bytes (card type 13, reader byte 03)",
       make_at1604},
      {"lm256", "LM256 word registers with protection register, 32 bytes (card type 17, reader byte 08)", make_lm256},
      {"lm4kp", "LM4KP word registers with protection register, 512 bytes (card type 18, reader byte 09)", make_lm4kp},
      {"x76f041", "X76F041 password card, 512 bytes in 4 blocks (card type 19, reader byte 0A)", make_x76f041},
      {"x24645", "X24645 serial EEPROM, 8192 bytes at C000 (card type 20, reader byte 02)", make_x24645},
      {"st1335", "ST1335 counter card with erase and authentication, 47 bytes (card type 21, reader byte 01)",
       make_st1335},
      {"st1333", "ST1333 counter card with erase and authentication, 47 bytes (card type 22, reader byte 0B)",
       make_st1333},
      {"x76f128", "X76F128 password card, arrays of 16384 and 64 bytes (card type 23, reader byte 0E)", make_x76f128},
      {"x76f640", "X76F640 password card, arrays of 8192 and 64 bytes (card type 24, reader byte 0E)", make_x76f640},
      {"x76f100", "X76F100 password card, 112 bytes (card type 25, reader byte 10)", make_x76f100},
      {"demo-sle4442", "demo SLE4442-type card (lm2ks): security code 12 34 56, text at 32", make_demo_sle4442},
      {"demo-counter", "demo SLE4436-type counter card (lm221): 6117 units", make_demo_counter},
      {"demo-x76f100", "demo X76F100: read password \"read-pw!\", write password \"write-pw\"", make_demo_x76f100},
      {"sam", "security module (the reader's own, reset with 0x88)",
       [](const CardOptions& o) {
         return std::make_unique<McuCard>("sam", CardProtocol::t0, o.atr.value_or(module_atr));
       }},
      {"vela1", "VELA1 card, T=0: files, codes, authentication, purse (demo card, stage U)",
       [](const CardOptions& o) { return make_vela1_card("vela1", vela1::demo_card(), o); }},
      {"vela1-nopurse", "VELA1 card, T=0, without purse (stage P)",
       [](const CardOptions& o) { return make_vela1_card("vela1-nopurse", vela1::demo_card_without_purse(), o); }},
  }};
  return table;
}

}  // namespace

std::unique_ptr<Card> make_card(const std::string& model, const CardOptions& options) {
  for (const CardModel& entry : models())
    if (model == entry.name) return entry.make(options);
  throw std::invalid_argument("unknown card model: " + model);
}

std::vector<CardModelInfo> card_models() {
  std::vector<CardModelInfo> infos;
  for (const CardModel& entry : models()) infos.push_back({entry.name, entry.description});
  return infos;
}

}  // namespace kitesim
