#include "demo_cards.h"

#include <stdexcept>
#include <string_view>
#include <vector>

namespace kitesim {

std::unique_ptr<Card> make_lm221(const CardOptions&);
std::unique_ptr<Card> make_lm2ks(const CardOptions&);
std::unique_ptr<Card> make_x76f100(const CardOptions&);

namespace {

struct Command {
  std::uint8_t code;
  Bytes data;
};

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes text(std::string_view characters) { return {characters.begin(), characters.end()}; }

// Runs the issuer's commands on a new card. A card whose memory file exists already is the one
// saved last time, taken as it is.
std::unique_ptr<Card> personalised(std::unique_ptr<Card> card, const CardOptions& options,
                                   const std::vector<Command>& commands) {
  if (!options.memory_file.empty() && std::filesystem::exists(options.memory_file)) return card;
  card->power_up();
  for (const Command& command : commands) {
    if (card->memory_command(command.code, command.data).status != sw::ok)
      throw std::logic_error("a demo card refused its personalisation");
  }
  card->power_down();
  return card;
}

// What a new card's codes and passwords are.
const Bytes kNewCode(3, 0xFF);
const Bytes kNewPassword(8, 0xFF);

// A byte write of a counter card once its transport code was presented: any value.
Command counter_write(std::uint8_t address, std::uint8_t value) { return {0x91, {0x00, address, 0x00, value}}; }

}  // namespace

std::unique_ptr<Card> make_demo_sle4442(const CardOptions& options) {
  return personalised(make_lm2ks(options), options,
                      {{0x92, kNewCode},
                       {0x94, joined({{0x00, 0x00}, text("KESTREL1")})},
                       {0x91, joined({{0x00, 0x08}, {0x20, 0x26, 0x12, 0x09, 0x00, 0x00, 0x00, 0x01}})},
                       {0x91, joined({{0x00, 0x20}, text("Kestrel demo card, SLE4442 type. Security code 12 34 56.")})},
                       {0x93, {0x12, 0x34, 0x56}}});
}

std::unique_ptr<Card> make_demo_counter(const CardOptions& options) {
  std::vector<Command> commands{{0x92, joined({{0x09}, kNewCode})}};
  const Bytes identification{0x44, 0x45, 0x4D, 0x4F, 0x00, 0x00, 0x12, 0x34};
  for (std::uint8_t i = 0; i < identification.size(); ++i) commands.push_back(counter_write(i, identification[i]));
  // One bit of 4096, three of 512, seven of 64, four of 8 and five of 1: 6117 units.
  const Bytes stages{0x01, 0x07, 0x7F, 0x0F, 0x1F};
  for (std::uint8_t i = 0; i < stages.size(); ++i) commands.push_back(counter_write(8 + i, stages[i]));
  for (std::uint8_t i = 0; i < 6; ++i) commands.push_back(counter_write(16 + i, 0x11 * (i + 1)));  // key 1
  return personalised(make_lm221(options), options, commands);
}

std::unique_ptr<Card> make_demo_x76f100(const CardOptions& options) {
  return personalised(
      make_x76f100(options), options,
      {{0x91, joined({kNewPassword, {0x00, 0x00}, text("Kestrel demo card, X76F100. Read password read-pw!, "
                                                        "write password write-pw.")})},
       {0x95, joined({{0x00}, kNewPassword, text("read-pw!")})},
       {0x95, joined({{0x01}, kNewPassword, text("write-pw")})}});
}

}  // namespace kitesim
