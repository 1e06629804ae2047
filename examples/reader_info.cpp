// Opens the reader on COM1 (or the port given as the first argument: 0, 1 or 16) and prints its
// information block and, when a card is inserted, the card's answer to reset; on failure one line
// naming the device and the library's code.
//
//   reader_info [port] [reader-type]     reader type 255 (auto-detect) unless given
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pelorus32.h"
#include "port_map.h"

namespace {

const char* describe(int code) {
  switch (code) {
    case QX_ERR_BAD_PORT_NUMBER: return "no such port";
    case QX_ERR_NO_HANDLE: return "all handles in use";
    case QX_ERR_TIMEOUT: return "no reader answers, or the port cannot be opened";
    case QX_ERR_BAD_FRAME: return "the reader's replies are garbled";
    case QX_ERR_NO_THREAD: return "out of threads";
    case QX_ERR_NO_KEYBOARD_PORT: return "the keyboard port cannot be opened";
    default: return "reader error";
  }
}

std::string device_of(int port) {
  auto device = pelorus::resolve_port(port);
  return device ? *device : "not configured";
}

// Starts a session with the card type left to the reader (a microcontroller card answers as T=0
// or T=1) and prints what the card answered.
void print_answer_to_reset(int32_t handle) {
  QX_SESSION session{};
  session.CardType = QX_CARD_AUTODETECT;
  const int32_t result = QX_StartSession(handle, &session);
  if (result != 0) {
    std::printf("Card: no session (error %d)\n", result);
    return;
  }
  std::printf("Card (type %d) answer to reset:", session.CardType);
  for (int i = 0; i < session.ATRLen; ++i) std::printf(" %02X", session.ATR[i]);
  std::printf("\n");
  QX_EndSession(handle);
}

}  // namespace

int main(int argc, char** argv) {
  const int port = argc > 1 ? std::atoi(argv[1]) : QX_PORT_COM1;
  const int reader_type = argc > 2 ? std::atoi(argv[2]) : QX_READER_AUTODETECT;
  const std::string port_name = std::string(pelorus::port_key(port));

  const int32_t handle = QX_Open(reader_type, port);
  if (handle < 0) {
    std::fprintf(stderr, "reader_info: cannot open the reader on %s (%s): error %d, %s\n", port_name.c_str(),
                 device_of(port).c_str(), handle, describe(handle));
    return 1;
  }
  QX_INFO info{};
  const int32_t result = QX_GetInfo(handle, &info);
  if (result != 0) {
    std::fprintf(stderr, "reader_info: the reader on %s (%s) did not give its information: error %d\n",
                 port_name.c_str(), device_of(port).c_str(), result);
    QX_Close(handle);
    return 1;
  }
  std::printf("Reader on %s (%s)\n", port_name.c_str(), device_of(port).c_str());
  std::printf("  Firmware revision   %.10s\n", info.FWRevision);
  std::printf("  Max command data    %d\n", info.MaxC);
  std::printf("  Max response data   %d\n", info.MaxR);
  std::printf("  Card types          %04X\n", static_cast<unsigned>(info.CardTypeMask));
  std::printf("  Current card type   %02X\n", info.CurrentCardType);
  std::printf("  Card                %s, %s\n", (info.CardStatus & 1) ? "inserted" : "not inserted",
              (info.CardStatus & 2) ? "powered" : "not powered");
  std::printf("  Line rate           %d bit/s\n", info.BaudRate);
  std::printf("  Library version     %d.%02d\n", info.LibraryVersion / 100, info.LibraryVersion % 100);
  if (info.CardStatus & 1) print_answer_to_reset(handle);
  QX_Close(handle);
  return 0;
}
