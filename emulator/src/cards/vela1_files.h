// The VELA1 file system: record files by 16-bit identifier. The card's internal files FF00 to FF06
// have a fixed layout whose access rules follow the life-cycle stage; user files are declared in
// FF04. Every file's bytes are kept in one block, record i at i × record length; bytes never
// written read as zero. Layouts are worked out at every access, so a write to FF02 or FF04 takes
// effect at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "kitesim/card.h"

namespace kitesim::vela1 {

using FileId = std::uint16_t;
using FileContents = std::map<FileId, Bytes>;

namespace file {
inline constexpr FileId mcu_id = 0xFF00;
inline constexpr FileId manufacturer = 0xFF01;          // record 0 byte 0 bit 7 clear: stage M
inline constexpr FileId personalization = 0xFF02;       // record 0: the registers, below
inline constexpr FileId security = 0xFF03;              // keys, codes and their attempt counters
inline constexpr FileId user_file_management = 0xFF04;  // one 6-byte record per user file
inline constexpr FileId account = 0xFF05;               // the purse
inline constexpr FileId account_security = 0xFF06;      // the purse keys
}  // namespace file

// A security attribute names the codes an access needs: bit 7 IC, bit 6 PIN, bits 1 to 5 AC1 to
// AC5. Bit 0 is AC0, a code no one can present: an access that names it is never allowed.
namespace access {
inline constexpr std::uint8_t no_code = 0x00;
inline constexpr std::uint8_t never = 0x01;
inline constexpr std::uint8_t ic = 0x80;
inline constexpr std::uint8_t pin = 0x40;
}  // namespace access

// FF02 record 0: option register, security option register, user file count, stage byte (bit 7
// set: stage U). The option register's bits:
namespace option {
inline constexpr std::uint8_t purse = 0x01;
inline constexpr std::uint8_t mac_checking = 0x08;                 // DEBIT checks its MAC
inline constexpr std::uint8_t debit_needs_pin = 0x10;
inline constexpr std::uint8_t revoke_debit_allowed = 0x20;
inline constexpr std::uint8_t transactions_need_authentication = 0x40;
inline constexpr std::uint8_t inquiry_needs_authentication = 0x80;
}  // namespace option

// FF03, 12 records of 8 bytes. Code reference r (1 to 5 AC1 to AC5, 6 PIN, 7 IC) is bit r of a
// security attribute and of the security option register, and its code is record r.
namespace security_record {
inline constexpr std::size_t card_key = 0;        // Kc
inline constexpr std::size_t terminal_key = 8;    // Kt
inline constexpr std::size_t attempts_left = 9;   // byte r: attempts left for code reference r
inline constexpr std::size_t attempt_limits = 10;  // byte r: what a correct code restores (1 to 15)
}  // namespace security_record

enum class Stage { manufacture, personalization, user };

struct FileInfo {
  FileId id = 0;
  std::size_t record_length = 0;
  std::size_t records = 0;
  std::uint8_t read_attribute = access::never;
  std::uint8_t write_attribute = access::never;
};

class FileSystem {
 public:
  explicit FileSystem(FileContents contents) : contents_(std::move(contents)) {}

  Stage stage() const;
  std::uint8_t option_register() const { return register_byte(0); }
  std::uint8_t security_option_register() const { return register_byte(1); }
  std::size_t user_file_count() const { return register_byte(2); }
  bool has_purse() const { return (option_register() & option::purse) != 0; }

  // The file's layout and access rules as they stand; nullopt when the card has no such file.
  std::optional<FileInfo> find(FileId id) const;

  // One record of a file; number must be below file.records. A write fills the record from the
  // start and leaves the rest of it as it was.
  Bytes read(const FileInfo& file, std::size_t number) const;
  void write(const FileInfo& file, std::size_t number, std::span<const std::uint8_t> bytes);

  // The card's own access to its internal files, with no security check.
  Bytes record(FileId internal_file, std::size_t number) const;
  void set_record(FileId internal_file, std::size_t number, std::span<const std::uint8_t> bytes);

  const FileContents& contents() const { return contents_; }

 private:
  std::uint8_t register_byte(std::size_t offset) const;

  FileContents contents_;
};

}  // namespace kitesim::vela1
