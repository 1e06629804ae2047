// X76F100: 112 bytes (reader card-type byte 10) behind a read and a write password of eight bytes.
//   90 read-pw(8) addr-high addr-low count    read with the read password
//   91 write-pw(8) addr-high addr-low data... write with the write password
//   95 01 write-pw(8) new(8)                  program the write password (a verify programs it
//                                             unchanged)
//   95 00 write-pw(8) new(8)                  program the read password, authorised by the write
//                                             password
// A wrong password answers 62 01; another selector 60 04. A new card has both passwords FF.
#include <algorithm>

#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {
namespace {

constexpr std::size_t size = 112;
constexpr std::size_t pw = 8;

// The card's state: the write password, then the read password.
enum Password : std::size_t { write_password, read_password };

class X76f100Card : public MemoryCard {
 public:
  explicit X76f100Card(const std::filesystem::path& file) : MemoryCard("x76f100", 0x10, size, 2 * pw, file) {
    serve(0x90, pw + 3, [this](Data d) {
      if (!checked(read_password, d)) return answer(sw::password_required);
      return read_bytes(memory(), address_of(d[pw], d[pw + 1]), d[pw + 2]);
    });
    serve(0x91, pw + 2, any_count, [this](Data d) {
      if (!checked(write_password, d)) return answer(sw::password_required);
      return write_bytes(memory(), address_of(d[pw], d[pw + 1]), d.subspan(pw + 2));
    });
    serve(0x95, 1 + 2 * pw, [this](Data d) { return program(d); });
  }

 private:
  std::span<std::uint8_t> password(Password which) { return state().subspan(which * pw, pw); }
  bool checked(Password which, Data presented) { return std::ranges::equal(password(which), presented.first(pw)); }

  // selector write-pw(8) new(8)
  CardReply program(Data d) {
    if (d[0] > 0x01) return answer(sw::parameter_refused);
    if (!checked(write_password, d.subspan(1))) return answer(sw::password_required);
    std::ranges::copy(d.subspan(1 + pw), password(d[0] == 0x01 ? write_password : read_password).begin());
    return answer(sw::ok);
  }
};

}  // namespace

std::unique_ptr<Card> make_x76f100(const CardOptions& options) {
  return std::make_unique<X76f100Card>(options.memory_file);
}

}  // namespace kitesim
