// Code-protected memory cards with a fuse (SLE4404, GPM896, AT101, AT102, AT1604; reader
// card-type byte 03). Their memory is a table of areas: a fixed manufacturer area, the issuer
// area, secret codes with their attempts counters, application areas, erase counters. The codes
// are presented by their selector (address high, address low, counter bits), as the reader sends
// them:
//   90 addr-high addr-low count   read; code bytes read as 00 until the secret code (selector
//                                 row 0) was presented
//   91 addr-high addr-low data... write, all or nothing: application areas after the secret code
//                                 (and the area's own code, if it has one) (62 01); code areas
//                                 after the secret code (62 01); the issuer area and the counters
//                                 after the secret code in issuer mode (62 01, 67 04 outside issuer
//                                 mode); the manufacturer area never (67 04); the test area always
//   95 addr-high addr-low count   erase to FF: an application area with an erase code after that
//                                 code (62 01), spending one bit of its erase counter, if it has
//                                 one (67 04 once they are all spent); anything else as a write
//   92 selector(3) code...        present a code: one byte, FF when accepted, else the chances
//                                 left in the low four bits (07, 03, 01, 00); 67 05 once locked;
//                                 60 04 for a selector the card does not have
//   84 pin                        the fuse pin: 01 high, FF low, 00 high impedance (60 04 else)
//   94 00 00                      blow the fuse (cards that have one; after the secret code)
// Issuer mode: the fuse pin is high and the fuse is not blown. The pin level is the reader's and
// lasts while the card is inserted (high impedance at insertion); the fuse is the card's.
// Codes without an attempts counter in the memory keep it in the card's state. A new card is
// erased: all codes FF, four chances each, the fuse intact.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {

struct FuseCardCode {
  std::array<std::uint8_t, 3> selector;
  std::size_t address;
  std::size_t length;
  std::optional<std::size_t> attempts;  // memory byte of its attempts counter; none: in the card's state
  CardArea erase_counter = {};          // bits spent by erasing with this code; size 0: none
};

enum class AreaKind { fixed, issuer, code, counter, application, test };

struct FuseCardArea {
  std::size_t start;
  std::size_t size;
  AreaKind kind;
  int code = -1;        // code areas: whose bytes; application areas: the code a write needs besides the secret code
  int erase_code = -1;  // application areas: the code an erase needs
};

struct FuseCardModel {
  const char* name;
  std::size_t size;
  std::span<const FuseCardCode> codes;  // by selector row; row 0 is the secret code
  std::span<const FuseCardArea> areas;
  bool blow_fuse;
};

class FuseCard : public MemoryCard {
 public:
  FuseCard(const FuseCardModel& model, const std::filesystem::path& file);

 private:
  void forget_session() override { presented_ = 0; }

  const FuseCardArea* area_of(std::size_t address) const;
  bool presented(int code) const { return code >= 0 && (presented_ >> code & 1); }
  bool issuer_mode() const;
  StatusWord may_write(std::size_t address) const;
  StatusWord may_erase(std::size_t address) const;
  std::uint8_t& attempts(std::size_t row);

  CardReply read(Data data) const;
  CardReply write(Data data);
  CardReply erase(Data data);
  CardReply verify(Data data);
  CardReply set_pin(Data data);
  CardReply blow(Data data);

  FuseCardModel model_;
  unsigned presented_ = 0;  // bit n: code row n presented since power-up
  std::uint8_t pin_ = 0x00;
};

}  // namespace kitesim
