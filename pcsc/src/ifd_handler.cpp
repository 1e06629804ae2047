// The IFD handler interface (version 3) that pcscd loads: one ReaderChannel per reader, found by
// the reader part of the Lun. Each function looks its channel up, lets no exception out, and
// answers IFD_COMMUNICATION_ERROR for a Lun that has no open channel.
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

#include "device_name.h"
#include "ifd_interface.h"
#include "reader_channel.h"
#include "trace.h"

#define IFD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using pelorus::pcsc::ReaderChannel;

// pcscd serves at most 16 readers; the Lun's high half is the reader's index.
constexpr size_t kMaxReaders = 16;

// The one state pcscd's interface requires: which channel each reader index has.
struct ChannelTable {
  std::mutex mutex;
  std::array<std::shared_ptr<ReaderChannel>, kMaxReaders> channels;
};

ChannelTable& table() {
  static ChannelTable instance;
  return instance;
}

std::optional<size_t> reader_index(DWORD lun) {
  const size_t index = lun >> 16;
  if (index >= kMaxReaders || (lun & 0xFFFF) != 0) return std::nullopt;  // one slot per reader
  return index;
}

std::shared_ptr<ReaderChannel> channel_for(DWORD lun) {
  const auto index = reader_index(lun);
  if (!index) return nullptr;
  std::lock_guard lock(table().mutex);
  return table().channels[*index];
}

// The library's card-event callback carries only the event code, so each reader index has a
// callback of its own.
template <size_t Index>
int32_t card_event(int32_t code) {
  std::shared_ptr<ReaderChannel> channel;
  {
    std::lock_guard lock(table().mutex);
    channel = table().channels[Index];
  }
  if (channel) channel->card_event(code);
  return 0;
}

template <size_t... Index>
constexpr std::array<QX_CALLBACK, sizeof...(Index)> make_event_callbacks(std::index_sequence<Index...>) {
  return {&card_event<Index>...};
}
constexpr auto kEventCallbacks = make_event_callbacks(std::make_index_sequence<kMaxReaders>{});

template <typename Call>
RESPONSECODE guarded(const char* name, Call&& call) {
  try {
    return call();
  } catch (const std::exception& e) {
    pelorus::trace::format("pcsc: %s: %s\n", name, e.what());
  } catch (...) {
    pelorus::trace::format("pcsc: %s failed\n", name);
  }
  return IFD_COMMUNICATION_ERROR;
}

template <typename Call>
RESPONSECODE on_channel(const char* name, DWORD lun, Call&& call) {
  return guarded(name, [&]() -> RESPONSECODE {
    const auto channel = channel_for(lun);
    return channel ? call(*channel) : IFD_COMMUNICATION_ERROR;
  });
}

RESPONSECODE poll_for_event(DWORD lun, int timeout_ms) {
  return on_channel("polling", lun, [&](ReaderChannel& channel) {
    return channel.wait_for_event(std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms));
  });
}

RESPONSECODE stop_polling(DWORD lun) {
  return on_channel("stop polling", lun, [](ReaderChannel& channel) {
    channel.stop_waiting();
    return IFD_SUCCESS;
  });
}

template <typename T>
RESPONSECODE give(PDWORD length, PUCHAR value, const T& item) {
  if (*length < sizeof(T)) return IFD_ERROR_INSUFFICIENT_BUFFER;
  std::memcpy(value, &item, sizeof(T));
  *length = sizeof(T);
  return IFD_SUCCESS;
}

}  // namespace

IFD_EXPORT RESPONSECODE IFDHCreateChannelByName(DWORD Lun, LPSTR DeviceName) {
  return guarded("IFDHCreateChannelByName", [&]() -> RESPONSECODE {
    const auto index = reader_index(Lun);
    const auto name = DeviceName ? pelorus::pcsc::parse_device_name(DeviceName) : std::nullopt;
    if (!index || !name) {
      pelorus::trace::format("pcsc: DEVICENAME \"%s\" is not a device[:reader type]\n", DeviceName ? DeviceName : "");
      return IFD_COMMUNICATION_ERROR;
    }
    if (channel_for(Lun)) return IFD_COMMUNICATION_ERROR;  // pcscd opens a reader once
    auto channel = std::make_shared<ReaderChannel>(*name, kEventCallbacks[*index]);
    {
      std::lock_guard lock(table().mutex);
      table().channels[*index] = channel;  // in place before any card event can come
    }
    const RESPONSECODE opened = channel->open();
    if (opened != IFD_SUCCESS) {
      std::lock_guard lock(table().mutex);
      table().channels[*index].reset();
    }
    return opened;
  });
}

IFD_EXPORT RESPONSECODE IFDHCreateChannel(DWORD Lun, DWORD Channel) {
  (void)Lun;
  pelorus::trace::format("pcsc: CHANNELID %lu given; the reader needs a DEVICENAME\n", static_cast<unsigned long>(Channel));
  return IFD_COMMUNICATION_ERROR;
}

IFD_EXPORT RESPONSECODE IFDHCloseChannel(DWORD Lun) {
  return guarded("IFDHCloseChannel", [&]() -> RESPONSECODE {
    const auto index = reader_index(Lun);
    if (!index) return IFD_COMMUNICATION_ERROR;
    std::shared_ptr<ReaderChannel> channel;
    {
      std::lock_guard lock(table().mutex);
      channel = std::move(table().channels[*index]);
    }
    if (!channel) return IFD_COMMUNICATION_ERROR;
    channel->stop_waiting();
    return IFD_SUCCESS;  // the reader closes with the last user of the channel
  });
}

IFD_EXPORT RESPONSECODE IFDHGetCapabilities(DWORD Lun, DWORD Tag, PDWORD Length, PUCHAR Value) {
  return on_channel("IFDHGetCapabilities", Lun, [&](ReaderChannel& channel) -> RESPONSECODE {
    if (Length == nullptr || Value == nullptr) return IFD_COMMUNICATION_ERROR;
    switch (Tag) {
      case TAG_IFD_ATR:
      case SCARD_ATTR_ATR_STRING: {
        const auto atr = channel.atr();
        if (*Length < atr.size()) return IFD_ERROR_INSUFFICIENT_BUFFER;
        std::copy(atr.begin(), atr.end(), Value);
        *Length = static_cast<DWORD>(atr.size());
        return IFD_SUCCESS;
      }
      case TAG_IFD_SIMULTANEOUS_ACCESS: return give(Length, Value, static_cast<UCHAR>(kMaxReaders));
      case TAG_IFD_THREAD_SAFE: return give(Length, Value, UCHAR{1});  // readers are independent
      case TAG_IFD_SLOTS_NUMBER: return give(Length, Value, UCHAR{1});
      case TAG_IFD_SLOT_THREAD_SAFE: return give(Length, Value, UCHAR{0});
      case TAG_IFD_POLLING_THREAD_KILLABLE: return give(Length, Value, UCHAR{0});
      case TAG_IFD_POLLING_THREAD_WITH_TIMEOUT: return give(Length, Value, &poll_for_event);
      case TAG_IFD_STOP_POLLING_THREAD: return give(Length, Value, &stop_polling);
      default: return IFD_ERROR_TAG;
    }
  });
}

IFD_EXPORT RESPONSECODE IFDHSetCapabilities(DWORD Lun, DWORD Tag, DWORD Length, PUCHAR Value) {
  (void)Tag, (void)Length, (void)Value;
  return on_channel("IFDHSetCapabilities", Lun, [](ReaderChannel&) { return IFD_NOT_SUPPORTED; });
}

IFD_EXPORT RESPONSECODE IFDHSetProtocolParameters(DWORD Lun, DWORD Protocol, UCHAR Flags, UCHAR PTS1, UCHAR PTS2,
                                                  UCHAR PTS3) {
  (void)Flags, (void)PTS1, (void)PTS2, (void)PTS3;
  return on_channel("IFDHSetProtocolParameters", Lun,
                    [&](ReaderChannel& channel) { return channel.set_protocol(Protocol); });
}

IFD_EXPORT RESPONSECODE IFDHPowerICC(DWORD Lun, DWORD Action, PUCHAR Atr, PDWORD AtrLength) {
  return on_channel("IFDHPowerICC", Lun, [&](ReaderChannel& channel) { return channel.power(Action, Atr, AtrLength); });
}

IFD_EXPORT RESPONSECODE IFDHTransmitToICC(DWORD Lun, SCARD_IO_HEADER SendPci, PUCHAR TxBuffer, DWORD TxLength,
                                          PUCHAR RxBuffer, PDWORD RxLength, PSCARD_IO_HEADER RecvPci) {
  return on_channel("IFDHTransmitToICC", Lun, [&](ReaderChannel& channel) -> RESPONSECODE {
    if (RxLength == nullptr) return IFD_COMMUNICATION_ERROR;
    if (TxBuffer == nullptr || RxBuffer == nullptr) {
      *RxLength = 0;
      return IFD_COMMUNICATION_ERROR;
    }
    if (RecvPci != nullptr) *RecvPci = SendPci;
    return channel.transmit({TxBuffer, TxLength}, RxBuffer, RxLength);
  });
}

IFD_EXPORT RESPONSECODE IFDHControl(DWORD Lun, DWORD dwControlCode, PUCHAR TxBuffer, DWORD TxLength, PUCHAR RxBuffer,
                                    DWORD RxLength, LPDWORD pdwBytesReturned) {
  return on_channel("IFDHControl", Lun, [&](ReaderChannel& channel) -> RESPONSECODE {
    if (pdwBytesReturned == nullptr) return IFD_COMMUNICATION_ERROR;
    *pdwBytesReturned = 0;
    if ((TxBuffer == nullptr && TxLength > 0) || (RxBuffer == nullptr && RxLength > 0)) return IFD_COMMUNICATION_ERROR;
    return channel.control(dwControlCode, {TxBuffer, TxBuffer ? TxLength : 0}, RxBuffer, RxLength, pdwBytesReturned);
  });
}

IFD_EXPORT RESPONSECODE IFDHICCPresence(DWORD Lun) {
  return on_channel("IFDHICCPresence", Lun, [](ReaderChannel& channel) { return channel.presence(); });
}
