// APDUs per second through pcscd to the emulated reader, beside the same exchange through the
// library directly. pcscd (Debian's) runs in a private mount namespace with its socket in a
// temporary folder and only this build's IFD handler, as the tests run it, so the machine's own
// daemon is left alone; that needs root. The emulator is a process of its own on a
// pseudo-terminal with a microcontroller card whose echo command answers 16 bytes: its data byte
// repeated, a byte that changes with every exchange, so that no answer is taken for the next
// one's. Prints a Markdown table; asserts nothing.
//
//   pelorus_pcscd_bench [EXCHANGES]     (default 2000)
#include <PCSC/winscard.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "emulator_process.h"
#include "pelorus32.h"
#include "private_pcscd.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Figure {
  double per_second = 0;
  double median_us = 0;
};

// Times calls of exchange (given the exchange's number; true: a right answer) and stops at the
// first wrong one.
Figure measure(int count, const std::function<bool(int)>& exchange) {
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(count));
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const auto before = Clock::now();
    if (!exchange(i)) {
      std::fprintf(stderr, "exchange %d failed\n", i);
      return {};
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::nth_element(micros.begin(), micros.begin() + count / 2, micros.end());
  return {count / seconds, micros[static_cast<size_t>(count / 2)]};
}

constexpr int kAnswerLength = 16;

// The card's echo command: the data byte repeated kAnswerLength times.
std::vector<BYTE> echo_command(int number) {
  return {0x80, 0xEE, 0x00, 0x00, 0x01, static_cast<BYTE>(number), kAnswerLength};
}

bool echoed(const BYTE* data, int length, int number) {
  if (length != kAnswerLength) return false;
  return std::all_of(data, data + length, [&](BYTE b) { return b == static_cast<BYTE>(number); });
}

Figure through_pcscd(const std::string& device, int count) {
  char name[] = "/tmp/pelorus-pcscd-bench-XXXXXX";
  if (::mkdtemp(name) == nullptr) return {};
  const std::filesystem::path folder = name;
  Figure figure;
  if (const std::string reason = test_support::PrivatePcscd::why_it_cannot_run(); !reason.empty()) {
    std::fprintf(stderr, "%s\n", reason.c_str());
  } else {
    test_support::PrivatePcscd daemon(folder, "Pelorus bench", device + ":KITEB_9600", IFD_HANDLER, {"--info"});
    if (!daemon.wait_ready(20s)) {
      std::fprintf(stderr, "pcscd did not start:\n%s", daemon.log_text().c_str());
    } else {
      SCARDCONTEXT context = 0;
      SCARDHANDLE card = 0;
      DWORD protocol = 0;
      char reader[] = "Pelorus bench 00 00";
      if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) == SCARD_S_SUCCESS &&
          SCardConnect(context, reader, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol) ==
              SCARD_S_SUCCESS) {
        const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
        figure = measure(count, [&](int number) {
          const auto command = echo_command(number);
          BYTE response[300];
          DWORD length = sizeof response;
          return SCardTransmit(card, pci, command.data(), static_cast<DWORD>(command.size()), nullptr, response,
                               &length) == SCARD_S_SUCCESS &&
                 length == kAnswerLength + 2 && echoed(response, kAnswerLength, number);
        });
        SCardDisconnect(card, SCARD_LEAVE_CARD);
      } else {
        std::fprintf(stderr, "no connection to the reader through pcscd\n");
      }
      if (context != 0) SCardReleaseContext(context);
    }
  }
  std::filesystem::remove_all(folder);
  return figure;
}

Figure through_library(const std::string& device, int count) {
  ::setenv("PELORUS32_COM1", device.c_str(), 1);
  const int32_t handle = QX_Open(QX_READER_KITEB_9600, QX_PORT_COM1);
  if (handle < 0) return {};
  QX_SESSION session{};
  session.CardType = QX_CARD_MCU_T0;
  Figure figure;
  if (QX_StartSession(handle, &session) == 0) {
    figure = measure(count, [&](int number) {
      QX_APDU apdu{};
      apdu.CLA = 0x80;
      apdu.INS = 0xEE;
      apdu.Lc = 1;
      apdu.DataIn[0] = static_cast<uint8_t>(number);
      apdu.Le = kAnswerLength;
      return QX_ExchangeAPDU(handle, &apdu) == 0 && echoed(apdu.DataOut, apdu.Le, number);
    });
  }
  QX_Close(handle);
  return figure;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  bench::EmulatorProcess emulator({"--pty", "--card", "mcu-t0"});
  const Figure pcscd = through_pcscd(emulator.pty(), count);
  const Figure direct = through_library(emulator.pty(), count);
  std::printf("| Path (pseudo-terminal, %d exchanges of a 16-byte answer) | APDUs per second | median |\n", count);
  std::printf("|---|---|---|\n");
  std::printf("| SCardTransmit through pcscd and libifd-pelorus.so | %.0f | %.0f µs |\n", pcscd.per_second, pcscd.median_us);
  std::printf("| QX_ExchangeAPDU, the library directly | %.0f | %.0f µs |\n", direct.per_second, direct.median_us);
  return pcscd.per_second > 0 && direct.per_second > 0 ? 0 : 1;
}
