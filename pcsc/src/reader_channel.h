// One reader that pcscd drives: its own instance of the library's state (so that each reader
// has its own port, handle and session), the card in its slot, and the card events that wake
// pcscd's polling thread.
//
// Calls come from pcscd's threads: the reader's event thread (presence, polling) and the
// threads of its clients (power, transmit, control). Reader traffic is serialised by one mutex;
// the polling wait takes only the event mutex, so a client's exchange never waits for it.
//
// A reader whose line is gone (an unplugged adapter, a dropped network connection) answers
// IFD_NO_SUCH_DEVICE; the next presence check opens it again, so pcscd goes on once it is back.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "ifd_interface.h"

#include "device_name.h"
#include "library.h"
#include "pseudo_apdus.h"

namespace pelorus::pcsc {

// SCardControl code whose input is a pseudo-APDU (class FF) and whose output is its answer, for
// applications that connect in SCARD_SHARE_DIRECT.
inline constexpr DWORD kIoctlPseudoApdu = SCARD_CTL_CODE(3500);

class ReaderChannel final : public MemorySlot {
 public:
  ReaderChannel(DeviceName name, QX_CALLBACK on_card_event);
  ~ReaderChannel() override;
  ReaderChannel(const ReaderChannel&) = delete;
  ReaderChannel& operator=(const ReaderChannel&) = delete;

  // Opens the reader: IFD_SUCCESS, or IFD_NO_SUCH_DEVICE when nothing answers there.
  RESPONSECODE open();

  RESPONSECODE power(DWORD action, UCHAR* atr, DWORD* atr_length);
  RESPONSECODE presence();
  RESPONSECODE transmit(std::span<const uint8_t> command, UCHAR* response, DWORD* response_length);
  RESPONSECODE control(DWORD code, std::span<const uint8_t> input, UCHAR* output, DWORD output_length,
                       DWORD* returned);
  RESPONSECODE set_protocol(DWORD protocol);
  std::vector<uint8_t> atr();

  // The polling thread: returns when a card event came, the reader is gone, stop_waiting() was
  // called, or timeout passed.
  RESPONSECODE wait_for_event(std::chrono::milliseconds timeout);
  void stop_waiting();
  // From the library's card-event callback.
  void card_event(int32_t code);

  // MemorySlot, for the pseudo-APDUs (called with the reader mutex held).
  int32_t select_type(uint8_t card_type) override;
  uint8_t selected_type() const override { return memory_type_; }
  int32_t exchange(QX_APDU& apdu) override;

 private:
  enum class Card { none, processor, memory };

  std::optional<HandleCall> call();
  int32_t open_library();
  void close_library();
  // After a transport error: the reader is asked for its information block; when that fails too
  // the line is taken for gone and closed.
  RESPONSECODE transport_failure();
  void forget_card();
  // A removal the reader announced: taken by the presence check, which tells pcscd; the other
  // calls only look.
  bool take_removal();
  bool removal_pending();
  RESPONSECODE power_up();
  RESPONSECODE ensure_powered();
  RESPONSECODE answer(const std::vector<uint8_t>& bytes, UCHAR* out, DWORD* out_length);
  RESPONSECODE transmit_pseudo(std::span<const uint8_t> command, UCHAR* response, DWORD* response_length);

  const DeviceName name_;
  const QX_CALLBACK on_card_event_;

  std::mutex io_;  // the library state and the card below
  Library lib_;
  int32_t handle_ = -1;  // -1: not open (never opened, or the line is gone)
  std::chrono::steady_clock::time_point next_reopen_{};
  // Read by the polling wait without the reader mutex: the line is open and its reader sends
  // card events (reader type 0 sends none).
  std::atomic<bool> events_come_{false};
  Card card_ = Card::none;
  bool t0_ = false;
  uint8_t memory_type_ = 0;  // selected by FF A4; kept until the card is removed
  std::vector<uint8_t> atr_;

  std::mutex events_;
  std::condition_variable event_arrived_;
  bool event_pending_ = false;
  bool removal_pending_ = false;
  bool stopping_ = false;
};

}  // namespace pelorus::pcsc
