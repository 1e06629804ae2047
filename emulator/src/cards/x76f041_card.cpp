// X76F041: 512 bytes in four blocks of 128 (reader card-type byte 0A) behind three passwords of
// eight bytes: write, read and configuration. Five configuration bytes say, for blocks 0 to 3,
// whether reads (bit 0) and writes (bit 1) need a password; the fifth is kept. Access:
//   90 addr-high addr-low count              read without a password
//   90 read-pw(8) addr-high addr-low count   read with the read password
//   92 config-pw(8) addr-high addr-low count read with the configuration password
//   91 addr-high addr-low data...            write without a password
//   94 write-pw(8) addr-high addr-low data.. write with the write password
//   93 config-pw(8) addr-high addr-low data. write with the configuration password
// Access without a password to a block that needs one, and any wrong password: 62 01.
// Password commands, 95 with a mode byte after a password:
//   95 old(8) 00|10|20 00 new(8) new(8)  program the write|read|configuration password; old is
//                                        that password (a verify programs it unchanged)
//   95 config(8) 30|40 00                reset the write|read password to eight 00 bytes
//   95 config(8) 50 00 c0..c4            program the configuration bytes
//   95 config(8) 60 05                   read the configuration bytes
//   95 config(8) 70 00                   write all: memory and passwords to 00
//   95 config(8) 80 00                   erase all: memory and passwords to FF
// Other modes and trailing bytes: 60 04. A new card has every password FF and every block behind
// its passwords.
#include <algorithm>
#include <optional>

#include "memory_access.h"
#include "memory_card.h"

namespace kitesim {
namespace {

constexpr std::size_t size = 512;
constexpr std::size_t block_size = 128;
constexpr std::size_t pw = 8;  // password length
constexpr std::size_t config_size = 5;
constexpr std::uint8_t read_needs_password = 0x01, write_needs_password = 0x02;

// The card's state: the three passwords in selector order, then the configuration bytes.
enum Password : std::size_t { write_password, read_password, config_password };
constexpr std::size_t config_offset = 3 * pw;

class X76f041Card : public MemoryCard {
 public:
  explicit X76f041Card(const std::filesystem::path& file)
      : MemoryCard("x76f041", 0x0A, size, config_offset + config_size, file) {
    serve(0x90, 3, [this](Data d) { return read(d, std::nullopt); });
    serve(0x90, pw + 3, [this](Data d) { return read(d.subspan(pw), checked(read_password, d)); });
    serve(0x92, pw + 3, [this](Data d) { return read(d.subspan(pw), checked(config_password, d)); });
    serve(0x91, 2, any_count, [this](Data d) { return write(d, std::nullopt); });
    serve(0x94, pw + 2, any_count, [this](Data d) { return write(d.subspan(pw), checked(write_password, d)); });
    serve(0x93, pw + 2, any_count, [this](Data d) { return write(d.subspan(pw), checked(config_password, d)); });
    serve(0x95, pw + 2, pw + 2 + 2 * pw, [this](Data d) { return password_command(d); });
  }

 private:
  std::span<std::uint8_t> password(Password which) { return state().subspan(which * pw, pw); }
  std::span<std::uint8_t> config() { return state().subspan(config_offset, config_size); }

  // Whether the command's leading password is the card's.
  bool checked(Password which, Data d) { return std::ranges::equal(password(which), d.first(pw)); }

  // Whether every block of the range lets `access` through without a password.
  bool open(std::size_t address, std::size_t count, std::uint8_t access) {
    for (std::size_t block = address / block_size; block * block_size < address + count; ++block)
      if (config()[block] & access) return false;
    return true;
  }

  // d: addr-high addr-low count. with_password: none given, else whether it was right.
  CardReply read(Data d, std::optional<bool> with_password) {
    std::size_t address = address_of(d[0] & 0x7F, d[1]);
    if (!fits(address, d[2], size)) return answer(sw::address_out_of_range);
    if (with_password ? !*with_password : !open(address, d[2], read_needs_password))
      return answer(sw::password_required);
    return read_bytes(memory(), address, d[2]);
  }

  CardReply write(Data d, std::optional<bool> with_password) {
    std::size_t address = address_of(d[0] & 0x7F, d[1]);
    Data data = d.subspan(2);
    if (!fits(address, data.size(), size)) return answer(sw::address_out_of_range);
    if (with_password ? !*with_password : !open(address, data.size(), write_needs_password))
      return answer(sw::password_required);
    return write_bytes(memory(), address, data);
  }

  CardReply password_command(Data d) {
    const std::uint8_t mode = d[pw];
    const Data rest = d.subspan(pw + 2);
    const std::uint8_t argument = d[pw + 1];
    if (mode == 0x00 || mode == 0x10 || mode == 0x20) return program(static_cast<Password>(mode >> 4), d);
    if (!checked(config_password, d)) return answer(sw::password_required);
    switch (mode) {
      case 0x30:
      case 0x40:
        if (argument != 0x00 || !rest.empty()) return answer(sw::parameter_refused);
        std::ranges::fill(password(mode == 0x30 ? write_password : read_password), 0x00);
        return answer(sw::ok);
      case 0x50:
        if (argument != 0x00 || rest.size() != config_size) return answer(sw::parameter_refused);
        std::ranges::copy(rest, config().begin());
        return answer(sw::ok);
      case 0x60:
        if (argument != config_size || !rest.empty()) return answer(sw::parameter_refused);
        return answer(Bytes(config().begin(), config().end()));
      case 0x70:
      case 0x80:
        if (argument != 0x00 || !rest.empty()) return answer(sw::parameter_refused);
        std::ranges::fill(memory(), mode == 0x70 ? 0x00 : 0xFF);
        std::ranges::fill(state().first(config_offset), mode == 0x70 ? 0x00 : 0xFF);
        return answer(sw::ok);
      default: return answer(sw::parameter_refused);
    }
  }

  // old(8) mode 00 new(8) new(8)
  CardReply program(Password which, Data d) {
    if (d.size() != 3 * pw + 2 || d[pw + 1] != 0x00) return answer(sw::parameter_refused);
    Data fresh = d.subspan(pw + 2, pw);
    if (!std::ranges::equal(fresh, d.subspan(2 * pw + 2))) return answer(sw::parameter_refused);
    if (!checked(which, d)) return answer(sw::password_required);
    std::ranges::copy(fresh, password(which).begin());
    return answer(sw::ok);
  }
};

}  // namespace

std::unique_ptr<Card> make_x76f041(const CardOptions& options) {
  return std::make_unique<X76f041Card>(options.memory_file);
}

}  // namespace kitesim
