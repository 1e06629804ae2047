#include "vela1_files.h"

#include <algorithm>
#include <array>

namespace kitesim::vela1 {
namespace {

constexpr std::size_t per_user_file = 0;  // FF04 has one record per declared user file

struct InternalFile {
  FileId id;
  std::size_t record_length;
  std::size_t records;
  std::array<std::uint8_t, 3> read;  // in stage M, P, U
  std::array<std::uint8_t, 3> write;
  bool purse_only;
};

using namespace access;

// The internal files and who may read and write them in each stage. The utility's scan lists
// the same attributes, so what it shows is what the card enforces.
constexpr std::array<InternalFile, 7> internal_files{{
    {file::mcu_id, 8, 2, {no_code, no_code, no_code}, {never, never, never}, false},
    {file::manufacturer, 8, 2, {no_code, no_code, no_code}, {ic, never, never}, false},
    {file::personalization, 4, 3, {no_code, no_code, no_code}, {ic, ic, never}, false},
    {file::security, 8, 12, {ic, ic, never}, {ic, ic, ic}, false},
    {file::user_file_management, 6, per_user_file, {no_code, no_code, no_code}, {ic, ic, ic}, false},
    {file::account, 4, 8, {no_code, no_code, ic}, {ic, ic, ic}, true},
    {file::account_security, 8, 4, {no_code, no_code, never}, {ic, ic, ic}, true},
}};

const InternalFile* internal_file(FileId id) {
  auto it = std::ranges::find(internal_files, id, &InternalFile::id);
  return it != internal_files.end() ? &*it : nullptr;
}

// The 6-byte FF04 record: record length, number of records, read attribute, write attribute,
// file identifier high byte, low byte.
FileInfo user_file_info(const Bytes& declaration) {
  return {static_cast<FileId>(declaration[4] << 8 | declaration[5]), declaration[0], declaration[1],
          declaration[2], declaration[3]};
}

}  // namespace

Stage FileSystem::stage() const {
  if ((record(file::manufacturer, 0)[0] & 0x80) == 0) return Stage::manufacture;
  return (register_byte(3) & 0x80) != 0 ? Stage::user : Stage::personalization;
}

std::uint8_t FileSystem::register_byte(std::size_t offset) const { return record(file::personalization, 0)[offset]; }

std::optional<FileInfo> FileSystem::find(FileId id) const {
  if (const InternalFile* internal = internal_file(id)) {
    if (internal->purse_only && !has_purse()) return std::nullopt;
    const auto stage_index = static_cast<std::size_t>(stage());
    const std::size_t records = internal->records == per_user_file ? user_file_count() : internal->records;
    return FileInfo{id, internal->record_length, records, internal->read[stage_index], internal->write[stage_index]};
  }
  // Identifiers of internal files never name a user file; the first declaration of an identifier counts.
  for (std::size_t i = 0; i < user_file_count(); ++i) {
    FileInfo declared = user_file_info(record(file::user_file_management, i));
    if (declared.id == id) return declared;
  }
  return std::nullopt;
}

Bytes FileSystem::read(const FileInfo& file, std::size_t number) const {
  Bytes out(file.record_length, 0x00);
  auto it = contents_.find(file.id);
  if (it == contents_.end()) return out;
  const Bytes& block = it->second;
  const std::size_t offset = number * file.record_length;
  if (offset >= block.size()) return out;
  const std::size_t count = std::min(file.record_length, block.size() - offset);
  std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
  return out;
}

void FileSystem::write(const FileInfo& file, std::size_t number, std::span<const std::uint8_t> bytes) {
  Bytes& block = contents_[file.id];
  const std::size_t offset = number * file.record_length;
  const std::size_t count = std::min(bytes.size(), file.record_length);
  if (block.size() < offset + file.record_length) block.resize(offset + file.record_length, 0x00);
  std::copy_n(bytes.begin(), count, block.begin() + static_cast<std::ptrdiff_t>(offset));
}

Bytes FileSystem::record(FileId internal_file_id, std::size_t number) const {
  const InternalFile* internal = internal_file(internal_file_id);
  if (internal == nullptr) return {};
  return read({internal_file_id, internal->record_length, 0, access::never, access::never}, number);
}

void FileSystem::set_record(FileId internal_file_id, std::size_t number, std::span<const std::uint8_t> bytes) {
  const InternalFile* internal = internal_file(internal_file_id);
  if (internal == nullptr) return;
  write({internal_file_id, internal->record_length, 0, access::never, access::never}, number, bytes);
}

}  // namespace kitesim::vela1
