// The handler's pure pieces: DEVICENAME parsing, the storage-card answer to reset, command APDU
// cases, the error-to-status-word table, the T=0 rule for 61 xx and 6C xx, and how a split read
// or write moves on.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "command_apdu.h"
#include "device_name.h"
#include "processor_apdus.h"
#include "pseudo_apdus.h"
#include "status_words.h"
#include "storage_atr.h"

namespace {

using namespace pelorus::pcsc;
using Bytes = std::vector<uint8_t>;

TEST(DeviceName, ADeviceAloneIsAutoDetected) {
  const auto name = parse_device_name("/dev/ttyUSB0");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->device, "/dev/ttyUSB0");
  EXPECT_EQ(name->reader_type, QX_READER_AUTODETECT);
}

TEST(DeviceName, ASuffixNamesTheReaderType) {
  EXPECT_EQ(parse_device_name("/dev/pts/3:KITEB_9600")->reader_type, QX_READER_KITEB_9600);
  EXPECT_EQ(parse_device_name("/dev/pts/3:KITEB_9600")->device, "/dev/pts/3");
  EXPECT_EQ(parse_device_name("/dev/ttyS0:KITEA")->reader_type, QX_READER_KITEA);
  EXPECT_EQ(parse_device_name("/dev/ttyS0:KITEB_115200")->reader_type, QX_READER_KITEB_115200);
}

TEST(DeviceName, ANetworkPortKeepsItsPortNumber) {
  EXPECT_EQ(parse_device_name("rfc2217://127.0.0.1:7000")->device, "rfc2217://127.0.0.1:7000");
  EXPECT_EQ(parse_device_name("rfc2217://127.0.0.1:7000")->reader_type, QX_READER_AUTODETECT);
  const auto typed = parse_device_name("rfc2217://host:7000:KITEB_19200");
  EXPECT_EQ(typed->device, "rfc2217://host:7000");
  EXPECT_EQ(typed->reader_type, QX_READER_KITEB_19200);
}

TEST(DeviceName, ColonsInsideAPathStayInTheDevice) {
  const char* path = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0";
  EXPECT_EQ(parse_device_name(path)->device, path);
}

TEST(DeviceName, AnUnknownTypeOrNoDeviceIsRefused) {
  EXPECT_FALSE(parse_device_name("/dev/ttyUSB0:KITEC"));
  EXPECT_FALSE(parse_device_name("/dev/ttyUSB0:KITEB_4800"));
  EXPECT_FALSE(parse_device_name(""));
  EXPECT_FALSE(parse_device_name(":KITEA"));
}

TEST(StorageAtr, BeforeATypeIsSelectedTheNameIsZero) {
  const auto atr = storage_card_atr(0);
  EXPECT_EQ(Bytes(atr.begin(), atr.end()), (Bytes{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                                   0x03, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x68}));
}

TEST(StorageAtr, ASelectedTypeIsNamedAndTheCheckByteFollows) {
  const auto atr = storage_card_atr(QX_CARD_IIC);
  EXPECT_EQ(atr[12], 0x0D);  // I2C bus
  EXPECT_EQ(atr[13], 0xF0);
  EXPECT_EQ(atr[14], QX_CARD_IIC);
  uint8_t check = 0;
  for (size_t i = 1; i < atr.size(); ++i) check ^= atr[i];
  EXPECT_EQ(check, 0) << "TCK makes the XOR from T0 to TCK zero";
  EXPECT_EQ(storage_card_atr(QX_CARD_LM2KS)[12], 0x0F);
  EXPECT_EQ(storage_card_atr(QX_CARD_X76F100)[12], 0x00);
}

TEST(CommandApdu, TheFourCases) {
  const Bytes case1{0x00, 0xA4, 0x00, 0x00};
  EXPECT_FALSE(parse_command_apdu(case1)->has_le());
  EXPECT_TRUE(parse_command_apdu(case1)->data.empty());

  const Bytes case2{0x00, 0xB0, 0x00, 0x10, 0x00};
  EXPECT_EQ(parse_command_apdu(case2)->le, 256) << "Le 00 asks for 256 bytes";

  const Bytes case3{0x00, 0xD6, 0x00, 0x00, 0x02, 0xAA, 0xBB};
  const auto three = parse_command_apdu(case3);
  EXPECT_EQ(Bytes(three->data.begin(), three->data.end()), (Bytes{0xAA, 0xBB}));
  EXPECT_FALSE(three->has_le());

  const Bytes case4{0x80, 0xEE, 0x01, 0x02, 0x01, 0x55, 0x04};
  const auto four = parse_command_apdu(case4);
  EXPECT_EQ(four->cla, 0x80);
  EXPECT_EQ(four->p2, 0x02);
  EXPECT_EQ(four->data.size(), 1u);
  EXPECT_EQ(four->le, 4);
}

TEST(CommandApdu, LengthsThatDoNotAddUpAreRefused) {
  EXPECT_FALSE(parse_command_apdu(Bytes{0x00, 0xA4, 0x00}));
  EXPECT_FALSE(parse_command_apdu(Bytes{0x00, 0xD6, 0x00, 0x00, 0x05, 0x01}));              // Lc past the end
  EXPECT_FALSE(parse_command_apdu(Bytes{0x00, 0xD6, 0x00, 0x00, 0x01, 0x01, 0x02, 0x03}));  // bytes after Le
  EXPECT_FALSE(parse_command_apdu(Bytes{0x00, 0xB0, 0x00, 0x00, 0x00, 0x01, 0x00}));        // extended length
}

TEST(StatusWords, LibraryErrorsBecomeStatusWords) {
  EXPECT_EQ(status_word_for(QX_ERR_NO_PASSWORD), 0x6982);
  EXPECT_EQ(status_word_for(QX_ERR_STATUS_6705), 0x6983);
  EXPECT_EQ(status_word_for(QX_ERR_NOT_SUPPORTED), 0x6A81);
  EXPECT_EQ(status_word_for(QX_ERR_BAD_PARAMETER), 0x6B00);
  EXPECT_EQ(status_word_for(QX_ERR_STATUS_OTHER), 0x6F00);
  EXPECT_EQ(status_word_for(-4242), 0x6F00);
}

TEST(StatusWords, EachErrorIsListedOnceAndNoTransportErrorIsAStatusWord) {
  std::set<int32_t> seen;
  for (const auto& entry : kErrorStatusWords) {
    EXPECT_TRUE(seen.insert(entry.error).second) << entry.error << " is listed twice";
    EXPECT_FALSE(is_transport_error(entry.error)) << entry.error;
    EXPECT_NE(entry.status_word >> 8, 0x90) << entry.error << " must not read as success";
  }
  EXPECT_TRUE(is_transport_error(QX_ERR_TIMEOUT));
  EXPECT_TRUE(is_transport_error(QX_ERR_BAD_FRAME));
}

QX_APDU answered(Bytes data, uint16_t status) {
  QX_APDU apdu{};
  std::copy(data.begin(), data.end(), apdu.DataOut);
  apdu.Le = static_cast<int32_t>(data.size());
  apdu.Status = status;
  return apdu;
}

TEST(ProcessorResponse, DataThenTheStatusBytes) {
  EXPECT_EQ(processor_response(answered({0x01, 0x02}, 0x9000), true), (Bytes{0x01, 0x02, 0x90, 0x00}));
  Bytes full(256, 0x5A);
  EXPECT_EQ(processor_response(answered(full, 0x9000), false).size(), 258u);
}

TEST(ProcessorResponse, OnT0MoreDataAndWrongLengthReachTheApplicationAlone) {
  EXPECT_EQ(processor_response(answered({}, 0x6110), true), (Bytes{0x61, 0x10}));
  EXPECT_EQ(processor_response(answered({0xAA}, 0x6C08), true), (Bytes{0x6C, 0x08}));
  EXPECT_EQ(processor_response(answered({0xAA}, 0x6110), false), (Bytes{0xAA, 0x61, 0x10})) << "T=1 carries data";
}

TEST(ProcessorResponse, TheApplicationsApduFillsTheRecord) {
  const Bytes get_response{0x00, 0xC0, 0x00, 0x00, 0x10};
  const QX_APDU record = to_library_apdu(*parse_command_apdu(get_response));
  EXPECT_EQ(record.INS, 0xC0);
  EXPECT_EQ(record.Lc, 0);
  EXPECT_EQ(record.Le, 0x10);
}

TEST(SplitAccess, TheAddressMovesOnAndStopsAtTheEnd) {
  uint8_t p1 = 0x00, p2 = 0xFE;
  ASSERT_TRUE(advance_address(QX_CARD_IIC, p1, p2, 254));
  EXPECT_EQ((p1 << 8) | p2, 0x01FC);
  p1 = 0xFF, p2 = 0x80;
  EXPECT_FALSE(advance_address(QX_CARD_IIC, p1, p2, 0x80));
}

TEST(SplitAccess, APasswordCardKeepsItsProtectedAccessFlag) {
  uint8_t p1 = 0x80, p2 = 0xF0;
  ASSERT_TRUE(advance_address(QX_CARD_X76F128, p1, p2, 0x20));
  EXPECT_EQ(p1, 0x81);
  EXPECT_EQ(p2, 0x10);
  p1 = 0xFF, p2 = 0x00;
  EXPECT_FALSE(advance_address(QX_CARD_X76F041, p1, p2, 0x100)) << "the flag is not an address bit";
}

TEST(PseudoApdus, OneEntryPerInstruction) {
  std::set<uint8_t> seen;
  for (const auto& entry : kPseudoApdus) EXPECT_TRUE(seen.insert(entry.ins).second);
  EXPECT_TRUE(is_memory_card_type(QX_CARD_LM104));
  EXPECT_TRUE(is_memory_card_type(QX_CARD_X76F100));
  EXPECT_FALSE(is_memory_card_type(QX_CARD_MCU_T0));
  EXPECT_FALSE(is_memory_card_type(QX_CARD_SC_MODULE));
  EXPECT_FALSE(is_memory_card_type(0));
  EXPECT_FALSE(is_memory_card_type(26));
}

}  // namespace
