// The handler's IFDH* functions called directly, as pcscd calls them, on the emulated reader in
// this process: over a pseudo-terminal (KITEB at 9600: a pseudo-terminal carries no DTR, so no
// detection) or over RFC 2217 on loopback (auto-detected).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ifd_interface.h"
#include "kitesim/card.h"
#include "kitesim/emulator.h"

namespace pcsc_test {

using Bytes = std::vector<uint8_t>;
enum class Transport { Pty, Rfc2217 };

inline constexpr DWORD kLun = 0;

inline std::string hex(const Bytes& bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

inline Bytes bytes_of(const std::string& text) {
  Bytes out;
  std::istringstream in(text);
  unsigned byte = 0;
  while (in >> std::hex >> byte) out.push_back(static_cast<uint8_t>(byte));
  return out;
}

class IfdhReader : public ::testing::TestWithParam<Transport> {
 protected:
  void TearDown() override { IFDHCloseChannel(kLun); }

  // Starts the emulator with the card (none for "") and opens channel kLun on it.
  void open(const std::string& card = "", Transport transport = GetParam()) {
    emulator = std::make_unique<kitesim::Emulator>(kitesim::ReaderConfig{.model = kitesim::Model::KITEB, .rate = 9600});
    if (transport == Transport::Pty) {
      device = emulator->start_pty() + ":KITEB_9600";
    } else {
      rfc2217_port = emulator->start_rfc2217(rfc2217_port);
      device = "rfc2217://127.0.0.1:" + std::to_string(rfc2217_port);
    }
    if (!card.empty()) emulator->insert(kitesim::make_card(card));
    ASSERT_EQ(IFDHCreateChannelByName(kLun, device.data()), IFD_SUCCESS) << device;
  }

  Bytes power_up(RESPONSECODE expected = IFD_SUCCESS) {
    UCHAR atr[MAX_ATR_SIZE] = {};
    DWORD length = sizeof atr;
    EXPECT_EQ(IFDHPowerICC(kLun, IFD_POWER_UP, atr, &length), expected);
    return Bytes(atr, atr + length);
  }

  // Sends the APDU (hexadecimal text) and returns the response as text.
  std::string transmit(const std::string& apdu, DWORD capacity = 300) {
    Bytes command = bytes_of(apdu);
    Bytes response(capacity);
    DWORD length = capacity;
    SCARD_IO_HEADER pci{SCARD_PROTOCOL_T0, 8};
    last_result = IFDHTransmitToICC(kLun, pci, command.data(), static_cast<DWORD>(command.size()), response.data(),
                                    &length, nullptr);
    response.resize(length);
    return hex(response);
  }

  template <typename Function>
  Function capability(DWORD tag) {
    Function function = nullptr;
    DWORD length = sizeof function;
    EXPECT_EQ(IFDHGetCapabilities(kLun, tag, &length, reinterpret_cast<PUCHAR>(&function)), IFD_SUCCESS);
    return function;
  }

  std::unique_ptr<kitesim::Emulator> emulator;
  std::string device;
  uint16_t rfc2217_port = 0;
  RESPONSECODE last_result = IFD_SUCCESS;
};

inline std::string transport_name(const ::testing::TestParamInfo<Transport>& info) {
  return info.param == Transport::Pty ? "Pty" : "Rfc2217";
}

}  // namespace pcsc_test
