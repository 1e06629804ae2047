#include "vela1_card.h"

#include <algorithm>
#include <utility>

#include "vela1_image.h"
#include "vela1_status.h"

namespace kitesim {

using namespace vela1;

namespace {

constexpr std::uint8_t vela1_class = 0x80;
constexpr std::uint8_t get_response_ins = 0xC0;
constexpr std::uint8_t auto_detect_type = 0x00;
constexpr std::uint8_t mcu_t0_type = 0x0C;
constexpr std::uint8_t mcu_t1_type = 0x0D;
constexpr unsigned pin_reference = 6;
constexpr std::size_t file_id_length = 2;
constexpr std::size_t authenticate_length = 16;

Block block_of(std::span<const std::uint8_t> bytes) {
  Block out{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
  return out;
}

Bytes bytes_of(const Block& block) { return Bytes(block.begin(), block.end()); }

}  // namespace

Bytes vela1_answer_to_reset() {
  // TS, T0 (TA1, TB1, TD1 follow; 14 historical bytes), TA1, TB1, TD1 (T=0, nothing more), then
  // the historical bytes: 41, version 01, "VELA1", five zero bytes, 90 00.
  return {0x3B, 0xBE, 0x11, 0x00, 0x00, 0x41, 0x01, 0x56, 0x45, 0x4C,
          0x41, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x00};
}

const std::array<Vela1Card::Instruction, 11> Vela1Card::instructions{{
    {0xA4, &Vela1Card::select_file},
    {0xB2, &Vela1Card::read_record},
    {0xD2, &Vela1Card::write_record},
    {0x20, &Vela1Card::submit_code},
    {0x84, &Vela1Card::challenge},
    {0x82, &Vela1Card::authenticate},
    {0xE1, &Vela1Card::inquire_account},
    {get_response_ins, &Vela1Card::get_response},
    {0xE2, &Vela1Card::credit},
    {0xE6, &Vela1Card::debit},
    {0xE7, &Vela1Card::revoke_debit},
}};

Vela1Card::Vela1Card(std::string model, FileContents contents, std::filesystem::path memory_file, Bytes atr)
    : model_(std::move(model)), memory_file_(std::move(memory_file)), atr_(std::move(atr)), files_(std::move(contents)) {}

bool Vela1Card::answers_to(std::uint8_t reader_card_type) const {
  return reader_card_type == auto_detect_type || reader_card_type == mcu_t0_type || reader_card_type == mcu_t1_type;
}

CardReply Vela1Card::power_up() {
  forget_security();
  return {sw::ok, atr_};
}

void Vela1Card::power_down() { forget_security(); }

bool Vela1Card::save_memory() { return !memory_file_.empty() && save_image(memory_file_, files_.contents()); }

void Vela1Card::forget_security() {
  codes_.forget();
  authentication_.forget();
  selected_.reset();
  response_.clear();
}

std::optional<ResponseApdu> Vela1Card::apdu(const CommandApdu& command) {
  // A response waits for the very next command only.
  if (command.cla != vela1_class || command.ins != get_response_ins) response_.clear();
  if (command.cla != vela1_class) return answer(wrong_class);
  auto found = std::ranges::find(instructions, command.ins, &Instruction::ins);
  if (found == instructions.end()) return answer(unknown_instruction);
  return (this->*found->handler)(command);
}

std::optional<FileInfo> Vela1Card::selected_file() const {
  if (!selected_) return std::nullopt;
  return files_.find(*selected_);
}

PurseRights Vela1Card::purse_rights() const {
  return {authentication_.session_key().has_value(), codes_.presented(pin_reference)};
}

ResponseApdu Vela1Card::select_file(const CommandApdu& command) {
  if (command.data.size() != file_id_length) return answer(wrong_length);
  // A failed select leaves no file selected, so a read that follows cannot reach the file before.
  selected_.reset();
  const auto id = static_cast<FileId>(command.data[0] << 8 | command.data[1]);
  if (!files_.find(id)) return answer(file_not_found);
  selected_ = id;
  return answer(ok);
}

ResponseApdu Vela1Card::read_record(const CommandApdu& command) {
  const std::optional<FileInfo> file = selected_file();
  if (!file) return answer(not_allowed_now);
  if (!codes_.allow(file->read_attribute)) return answer(security_not_satisfied);
  if (command.p1 >= file->records) return answer(record_not_found);
  if (command.le != file->record_length) return answer(wrong_length);
  return answer(ok, files_.read(*file, command.p1));
}

ResponseApdu Vela1Card::write_record(const CommandApdu& command) {
  const std::optional<FileInfo> file = selected_file();
  if (!file) return answer(not_allowed_now);
  if (!codes_.allow(file->write_attribute)) return answer(security_not_satisfied);
  if (command.p1 >= file->records) return answer(record_not_found);
  if (command.data.size() != file->record_length) return answer(wrong_length);
  files_.write(*file, command.p1, command.data);
  return answer(ok);
}

ResponseApdu Vela1Card::submit_code(const CommandApdu& command) {
  return answer(codes_.submit(files_, command.p1, command.data, authentication_.session_key()));
}

ResponseApdu Vela1Card::challenge(const CommandApdu& command) {
  if (command.le != Block{}.size()) return answer(wrong_length);
  return answer(ok, bytes_of(authentication_.challenge()));
}

ResponseApdu Vela1Card::authenticate(const CommandApdu& command) {
  if (command.data.size() != authenticate_length) return answer(wrong_length);
  const std::span<const std::uint8_t> data(command.data);
  const Block card_key = block_of(files_.record(file::security, security_record::card_key));
  const Block terminal_key = block_of(files_.record(file::security, security_record::terminal_key));
  const std::optional<Block> card_answer =
      authentication_.authenticate(block_of(data.first(8)), block_of(data.subspan(8)), card_key, terminal_key);
  if (!card_answer) return answer(not_allowed_now);
  return waiting(bytes_of(*card_answer));
}

ResponseApdu Vela1Card::inquire_account(const CommandApdu& command) {
  if (const CardStatus refused = check_inquiry(files_, command.data, purse_rights()); refused != ok)
    return answer(refused);
  return waiting(account_inquiry(load_account(files_)));
}

ResponseApdu Vela1Card::get_response(const CommandApdu& command) {
  if (response_.empty()) return answer(not_allowed_now);
  // With the wrong length the response keeps waiting, for a GET RESPONSE with the right one.
  if (command.le != response_.size()) return answer(wrong_length);
  return answer(ok, std::exchange(response_, {}));
}

ResponseApdu Vela1Card::credit(const CommandApdu& command) { return transaction(Transaction::credit, command); }

ResponseApdu Vela1Card::debit(const CommandApdu& command) { return transaction(Transaction::debit, command); }

ResponseApdu Vela1Card::revoke_debit(const CommandApdu& command) {
  return transaction(Transaction::revoke_debit, command);
}

ResponseApdu Vela1Card::transaction(Transaction kind, const CommandApdu& command) {
  return answer(run_transaction(files_, kind, command.data, purse_rights()));
}

ResponseApdu Vela1Card::waiting(Bytes response) {
  response_ = std::move(response);
  return answer(response_waiting(response_.size()));
}

std::unique_ptr<Card> make_vela1_card(std::string model, FileContents fresh, const CardOptions& options) {
  const std::filesystem::path& file = options.memory_file;
  FileContents contents = !file.empty() && std::filesystem::exists(file) ? load_image(file) : std::move(fresh);
  return std::make_unique<Vela1Card>(std::move(model), std::move(contents), file,
                                     options.atr.value_or(vela1_answer_to_reset()));
}

}  // namespace kitesim
