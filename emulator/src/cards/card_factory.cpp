// The card models, by name: adding a model is adding a row here and its class.
#include <array>
#include <functional>
#include <stdexcept>

#include "iic_card.h"
#include "kitesim/card.h"
#include "mcu_card.h"

namespace kitesim {
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

const std::array<CardModel, 5>& models() {
  static const std::array<CardModel, 5> table{{
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
      {"sam", "security module (the reader's own, reset with 0x88)",
       [](const CardOptions& o) {
         return std::make_unique<McuCard>("sam", CardProtocol::t0, o.atr.value_or(module_atr));
       }},
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
