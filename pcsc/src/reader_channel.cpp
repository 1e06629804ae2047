#include "reader_channel.h"

#include <algorithm>
#include <utility>

#include "apdu_exchange.h"
#include "card_events.h"
#include "command_apdu.h"
#include "processor_apdus.h"
#include "reader_info.h"
#include "reader_open.h"
#include "sessions.h"
#include "status_words.h"
#include "storage_atr.h"
#include "trace.h"

namespace pelorus::pcsc {
namespace {

using namespace std::chrono_literals;

// How often a reader that is gone is tried again, and how long a polling wait lasts for a
// reader that sends no card events (KITEA) or is gone: pcscd asks for presence after each.
constexpr auto kReopenInterval = 1s;
constexpr auto kPollWithoutEvents = 400ms;

}  // namespace

ReaderChannel::ReaderChannel(DeviceName name, QX_CALLBACK on_card_event)
    : name_(std::move(name)), on_card_event_(on_card_event) {
  lib_.port(kPortCom1)->device = name_.device;
}

ReaderChannel::~ReaderChannel() {
  stop_waiting();
  std::lock_guard lock(io_);
  if (handle_ >= 0 && card_ != Card::none) {
    if (auto c = call()) end_session(*c);
  }
  close_library();
}

std::optional<HandleCall> ReaderChannel::call() { return handle_ < 0 ? std::nullopt : open_handle(lib_, handle_); }

int32_t ReaderChannel::open_library() {
  const int32_t handle = open_reader(lib_, name_.reader_type, kPortCom1);
  if (handle < 0) return handle;
  handle_ = handle;
  auto c = call();
  register_callback(*c, on_card_event_);
  // Reader type 0 sends no card events; auto-detection may have found it so.
  events_come_ = c->port.with_stx();
  trace::format("pcsc: reader %s open (reader type %d)\n", name_.device.c_str(), c->port.reader_type);
  return 0;
}

void ReaderChannel::close_library() {
  events_come_ = false;
  if (auto c = call()) close_reader(*c);
  handle_ = -1;
}

RESPONSECODE ReaderChannel::open() {
  std::lock_guard lock(io_);
  const int32_t result = open_library();
  if (result != 0) {
    trace::format("pcsc: no reader answers on %s (%d)\n", name_.device.c_str(), result);
    return IFD_NO_SUCH_DEVICE;
  }
  return IFD_SUCCESS;
}

RESPONSECODE ReaderChannel::transport_failure() {
  QX_INFO info{};
  if (auto c = call(); c && get_info(*c, &info) == 0) return IFD_COMMUNICATION_ERROR;
  trace::format("pcsc: reader %s is gone\n", name_.device.c_str());
  close_library();
  forget_card();
  next_reopen_ = std::chrono::steady_clock::now() + kReopenInterval;
  return IFD_NO_SUCH_DEVICE;
}

void ReaderChannel::forget_card() {
  card_ = Card::none;
  memory_type_ = 0;
  atr_.clear();
}

bool ReaderChannel::take_removal() {
  std::lock_guard lock(events_);
  return std::exchange(removal_pending_, false);
}

bool ReaderChannel::removal_pending() {
  std::lock_guard lock(events_);
  return removal_pending_;
}

RESPONSECODE ReaderChannel::presence() {
  std::lock_guard lock(io_);
  {
    std::lock_guard events(events_);
    event_pending_ = false;
  }
  const bool removed = take_removal();
  if (removed) forget_card();
  if (handle_ < 0) {
    if (std::chrono::steady_clock::now() < next_reopen_) return IFD_NO_SUCH_DEVICE;
    next_reopen_ = std::chrono::steady_clock::now() + kReopenInterval;
    if (open_library() != 0) return IFD_NO_SUCH_DEVICE;
  }
  QX_INFO info{};
  const int32_t result = get_info(*call(), &info);
  if (result != 0) return is_transport_error(result) ? transport_failure() : IFD_COMMUNICATION_ERROR;
  if ((info.CardStatus & 0x01) == 0) {
    forget_card();
    return IFD_ICC_NOT_PRESENT;
  }
  if (removed) {
    // A card taken out and put in again between two looks is another card for pcscd: it hears of
    // the removal now and, at its next look (which the pending event brings at once), of the card.
    std::lock_guard events(events_);
    event_pending_ = true;
    return IFD_ICC_NOT_PRESENT;
  }
  return IFD_ICC_PRESENT;
}

RESPONSECODE ReaderChannel::power_up() {
  auto c = call();
  QX_SESSION session{};
  // A memory card whose type an application has selected keeps it over power cycles.
  session.CardType = memory_type_;
  const int32_t result = start_session(*c, &session);
  if (is_transport_error(result)) return transport_failure();
  if (result != 0) {
    trace::format("pcsc: power up failed (%d)\n", result);
    forget_card();
    return IFD_ERROR_POWER_ACTION;
  }
  const bool processor = session.CardType == QX_CARD_MCU_T0 || session.CardType == QX_CARD_MCU_T1;
  if (processor && session.ATRLen > 0) {
    if (session.ATRLen > MAX_ATR_SIZE) {
      trace::format("pcsc: answer to reset of %d bytes is longer than PC/SC allows\n", session.ATRLen);
      return IFD_ERROR_POWER_ACTION;
    }
    card_ = Card::processor;
    t0_ = session.CardType == QX_CARD_MCU_T0;
    atr_.assign(session.ATR, session.ATR + session.ATRLen);
    return IFD_SUCCESS;
  }
  // No answer to reset: a memory card.
  card_ = Card::memory;
  const auto atr = storage_card_atr(memory_type_);
  atr_.assign(atr.begin(), atr.end());
  return IFD_SUCCESS;
}

RESPONSECODE ReaderChannel::power(DWORD action, UCHAR* atr, DWORD* atr_length) {
  std::lock_guard lock(io_);
  if (atr_length != nullptr) *atr_length = 0;
  if (removal_pending()) forget_card();
  if (handle_ < 0) return IFD_NO_SUCH_DEVICE;
  switch (action) {
    case IFD_POWER_DOWN: {
      const int32_t result = end_session(*call());
      atr_.clear();  // unpowered; the next transmit or power up starts a session again
      if (is_transport_error(result)) return transport_failure();
      return IFD_SUCCESS;
    }
    case IFD_POWER_UP:
    case IFD_RESET: {
      const RESPONSECODE result = power_up();
      if (result != IFD_SUCCESS) return result;
      if (atr != nullptr && atr_length != nullptr) {
        std::copy(atr_.begin(), atr_.end(), atr);
        *atr_length = static_cast<DWORD>(atr_.size());
      }
      return IFD_SUCCESS;
    }
    default: return IFD_NOT_SUPPORTED;
  }
}

RESPONSECODE ReaderChannel::ensure_powered() {
  if (handle_ < 0) return IFD_NO_SUCH_DEVICE;
  // Until pcscd has heard of a removal, whatever is in the slot now is not the card its client
  // talks to.
  if (removal_pending()) {
    forget_card();
    return IFD_ICC_NOT_PRESENT;
  }
  if (!atr_.empty()) return IFD_SUCCESS;
  return power_up();
}

std::vector<uint8_t> ReaderChannel::atr() {
  std::lock_guard lock(io_);
  return atr_;
}

RESPONSECODE ReaderChannel::set_protocol(DWORD protocol) {
  std::lock_guard lock(io_);
  if (handle_ < 0) return IFD_NO_SUCH_DEVICE;
  if (protocol != SCARD_PROTOCOL_T0 && protocol != SCARD_PROTOCOL_T1) return IFD_PROTOCOL_NOT_SUPPORTED;
  // The reader chose the protocol at power-up and negotiates nothing else; memory cards take
  // their commands whichever protocol pcscd settled on.
  if (card_ == Card::processor && (protocol == SCARD_PROTOCOL_T0) != t0_) return IFD_PROTOCOL_NOT_SUPPORTED;
  return IFD_SUCCESS;
}

RESPONSECODE ReaderChannel::answer(const std::vector<uint8_t>& bytes, UCHAR* out, DWORD* out_length) {
  if (bytes.size() > *out_length) {
    *out_length = 0;
    return IFD_ERROR_INSUFFICIENT_BUFFER;
  }
  std::copy(bytes.begin(), bytes.end(), out);
  *out_length = static_cast<DWORD>(bytes.size());
  return IFD_SUCCESS;
}

RESPONSECODE ReaderChannel::transmit_pseudo(std::span<const uint8_t> command, UCHAR* response,
                                            DWORD* response_length) {
  const auto apdu = parse_command_apdu(command);
  if (!apdu) return answer({0x67, 0x00}, response, response_length);
  if (apdu->cla != kPseudoClass) return answer({0x6E, 0x00}, response, response_length);
  const PseudoAnswer result = run_pseudo_apdu(*this, *apdu);
  if (result.transport_error != 0) {
    *response_length = 0;
    return transport_failure();
  }
  return answer(result.response, response, response_length);
}

RESPONSECODE ReaderChannel::transmit(std::span<const uint8_t> command, UCHAR* response, DWORD* response_length) {
  std::lock_guard lock(io_);
  const DWORD capacity = *response_length;
  *response_length = 0;
  if (command.size() < 4) return IFD_COMMUNICATION_ERROR;
  if (const RESPONSECODE powered = ensure_powered(); powered != IFD_SUCCESS) return powered;
  *response_length = capacity;
  if (card_ == Card::memory) return transmit_pseudo(command, response, response_length);

  const auto apdu = parse_command_apdu(command);
  if (!apdu) return answer({0x67, 0x00}, response, response_length);
  QX_APDU record = to_library_apdu(*apdu);
  const int32_t result = exchange_apdu(*call(), &record);
  if (result == QX_ERR_STATUS_6002) {
    *response_length = 0;
    forget_card();
    return IFD_ICC_NOT_PRESENT;
  }
  if (result != 0) {
    *response_length = 0;
    trace::format("pcsc: APDU exchange failed (%d)\n", result);
    return is_transport_error(result) ? transport_failure() : IFD_COMMUNICATION_ERROR;
  }
  return answer(processor_response(record, t0_), response, response_length);
}

RESPONSECODE ReaderChannel::control(DWORD code, std::span<const uint8_t> input, UCHAR* output, DWORD output_length,
                                    DWORD* returned) {
  *returned = 0;
  if (code == CM_IOCTL_GET_FEATURE_REQUEST) return IFD_SUCCESS;  // no PIN pad, no other feature
  if (code != kIoctlPseudoApdu) return IFD_ERROR_NOT_SUPPORTED;
  std::lock_guard lock(io_);
  if (input.size() < 4) return IFD_COMMUNICATION_ERROR;
  if (const RESPONSECODE powered = ensure_powered(); powered != IFD_SUCCESS) return powered;
  if (card_ != Card::memory) return IFD_ERROR_NOT_SUPPORTED;
  DWORD length = output_length;
  const RESPONSECODE result = transmit_pseudo(input, output, &length);
  if (result == IFD_SUCCESS) *returned = length;
  return result;
}

int32_t ReaderChannel::select_type(uint8_t card_type) {
  QX_SESSION session{};
  session.CardType = card_type;
  const int32_t result = start_session(*call(), &session);
  if (result != 0) {
    // The reader is left without a session for the old type: power the card up as before.
    if (!is_transport_error(result) && memory_type_ != 0) {
      QX_SESSION again{};
      again.CardType = memory_type_;
      start_session(*call(), &again);
    }
    return result;
  }
  memory_type_ = card_type;
  const auto atr = storage_card_atr(memory_type_);
  atr_.assign(atr.begin(), atr.end());
  return 0;
}

int32_t ReaderChannel::exchange(QX_APDU& apdu) { return exchange_apdu(*call(), &apdu); }

RESPONSECODE ReaderChannel::wait_for_event(std::chrono::milliseconds timeout) {
  if (!events_come_) timeout = std::min<std::chrono::milliseconds>(timeout, kPollWithoutEvents);
  std::unique_lock lock(events_);
  event_arrived_.wait_for(lock, timeout, [&] { return event_pending_ || stopping_; });
  event_pending_ = false;
  return IFD_SUCCESS;
}

void ReaderChannel::stop_waiting() {
  std::lock_guard lock(events_);
  stopping_ = true;
  event_arrived_.notify_all();
}

void ReaderChannel::card_event(int32_t code) {
  std::lock_guard lock(events_);
  event_pending_ = true;
  if (code == QX_EVENT_CARD_REMOVED) removal_pending_ = true;
  event_arrived_.notify_all();
}

}  // namespace pelorus::pcsc
