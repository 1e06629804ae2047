// The binding's wrappers and its exchange trace: without a reader, after a failed open, without
// the library file, and against the emulated reader.
#include <gtest/gtest.h>

#include "emulated_reader.h"

namespace utility_core_test {
namespace {

using kestrel::Kiteb;

int32_t on_card_event(int32_t) { return 0; }

// Every wrapper that takes the reader handle, close last.
std::vector<int32_t> every_wrapper(Kiteb& binding) {
  QX_APDU apdu{};
  QX_INFO info{};
  return {binding.start_session(QX_CARD_MCU_T0), binding.end_session(), binding.exchange(apdu),
          binding.register_card_event_handler(on_card_event), binding.read_reader_information(info),
          binding.close()};
}

QX_APDU command(uint8_t ins, uint8_t p1, std::vector<uint8_t> data, int32_t le, uint16_t status = 0) {
  QX_APDU apdu{};
  apdu.CLA = 0x80;
  apdu.INS = ins;
  apdu.P1 = p1;
  apdu.Lc = static_cast<int32_t>(data.size());
  std::copy(data.begin(), data.end(), apdu.DataIn);
  apdu.Le = le;
  apdu.Status = status;
  return apdu;
}

TEST(BindingWithoutReader, WrappersReturnMinusOneAndTheTraceStillRuns) {
  Kiteb binding;
  EXPECT_EQ(every_wrapper(binding), std::vector<int32_t>(6, -1));
  EXPECT_EQ(binding.handle(), -1);
  LogLines log;
  binding.enable_exchange_trace(log);
  QX_APDU select = command(0xA4, 0, {0x3F, 0x00}, 0);
  QX_APDU read = command(0xB2, 1, {}, 3, 0x6A82);
  EXPECT_EQ(binding.exchange(select), -1);
  EXPECT_EQ(binding.exchange(read), -1);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "< 80 A4 00 00 02 00", "< 3F 00 ", "> 0000 (SW1,SW2)", "ExchangeAPDU error! code = -1",
                           "< 80 B2 01 00 00 03", "> 6A82 (SW1,SW2)", "> 00 00 00 ", "ExchangeAPDU error! code = -1"}));
}

TEST(BindingWithoutReader, MissingLibraryFileFailsTheOpenAndKeepsHandleMinusOne) {
  Kiteb binding("libPelorus32-not-there.so");
  EXPECT_LT(binding.open(kReaderKitebAt9600, kCom1), 0);
  EXPECT_EQ(binding.handle(), -1);
}

TEST(BindingFailedOpen, KeepsTheNegativeHandleUntilClose) {
  ::setenv("PELORUS32_COM1", "/nonexistent/tty", 1);
  Kiteb binding;
  const int32_t failed = binding.open(kReaderKitebAt9600, kCom1);
  ASSERT_LT(failed, 0);
  EXPECT_EQ(binding.handle(), failed);
  LogLines log;
  binding.enable_exchange_trace(log);
  EXPECT_EQ(every_wrapper(binding), std::vector<int32_t>(6, failed));
  EXPECT_EQ(log.lines.back(), "ExchangeAPDU error! code = " + std::to_string(failed));
  EXPECT_EQ(binding.handle(), -1) << "close leaves the handle at -1";
  EXPECT_EQ(binding.close(), -1);
}

using BindingWithReader = EmulatedReader;

TEST_F(BindingWithReader, TraceShowsTheBytesReceivedInPlaceOfLe) {
  open_with("vela1");
  scan_vela1();
  binding.enable_exchange_trace(log);
  vela1.select_file(0x1001);
  vela1.read_record(0, 16);
  vela1.select_file(0x1002);
  vela1.read_record(0, 8);  // needs the PIN: nothing comes back
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "< 80 A4 00 00 02 00", "< 10 01 ", "> 9000 (SW1,SW2)",
                           "< 80 B2 00 00 00 10", "> 9000 (SW1,SW2)",
                           "> 4B 49 54 45 53 49 4D 20 56 45 4C 41 31 00 00 00 ",
                           "< 80 A4 00 00 02 00", "< 10 02 ", "> 9000 (SW1,SW2)",
                           "< 80 B2 00 00 00 00", "> 6982 (SW1,SW2)"}));
}

}  // namespace
}  // namespace utility_core_test
