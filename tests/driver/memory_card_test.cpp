// The reader commands each memory-card routine sends, byte for byte, and the parameter checks
// that send nothing.
#include <string>
#include <vector>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

struct Apdu {
  uint8_t ins;
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  int32_t lc = 0;
  int32_t le = 0;
  const char* data = "";
  uint8_t cla = 0;
};

struct Step {
  const char* command;   // the command as it must go out (frame payload)
  const char* reply = "90 00 00";
};

class MemoryCards : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(open_reader(), 0);
  }

  void start(uint8_t card_type, const char* reader_byte) {
    QX_SESSION session{};
    session.CardType = card_type;
    ASSERT_EQ(with_reader(
                  [=](PtyPeer& p) {
                    if (p.expect(frame(std::string("02 01 ") + reader_byte))) p.send(reply(0x9000));
                    if (p.expect(frame("80 00"))) p.send(reply(0x9000, hex("A2 13 10 91")));
                    // The LM221's configuration, all four bits set: nothing to write back.
                    if (card_type == QX_CARD_LM221 && p.expect(frame("90 03 00 08 06"))) {
                      p.send(reply(0x9000, hex("00 00 00 00 00 0F")));
                    }
                  },
                  [&] { return QX_StartSession(0, &session); }),
              0);
  }

  // Sends the APDU; the reader expects exactly `steps` and answers each.
  int32_t run(const Apdu& in, std::vector<Step> steps) {
    apdu = QX_APDU{};
    apdu.CLA = in.cla;
    apdu.INS = in.ins;
    apdu.P1 = in.p1;
    apdu.P2 = in.p2;
    apdu.Lc = in.lc;
    apdu.Le = in.le;
    const Bytes data = hex(in.data);
    std::copy(data.begin(), data.end(), apdu.DataIn);
    return with_reader(
        [steps](PtyPeer& p) {
          for (const Step& s : steps) {
            if (!p.expect(frame(s.command))) return;
            p.send(frame(s.reply));
          }
          EXPECT_TRUE(p.silent_for(60ms)) << "more was sent than expected";
        },
        [&] { return QX_ExchangeAPDU(0, &apdu); });
  }

  QX_APDU apdu{};
};

TEST_F(MemoryCards, Lm104ByteWiseWriteSendsOneCommandPerByte) {
  start(QX_CARD_LM104, "01");
  EXPECT_EQ(run({QXI_Write, 0, 0x10, 3, 0, "A1 B2 C3"},
                {{"91 04 00 10 00 A1"}, {"91 04 00 11 00 B2"}, {"91 04 00 12 00 C3"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0, 0xFF, 2, 0, "01 02"}, {{"91 04 00 FF 00 01"}, {"91 04 00 00 00 02"}}), 0)
      << "the address wraps within P1";
}

TEST_F(MemoryCards, ByteWiseWriteStopsAtTheFirstError) {
  start(QX_CARD_LM104, "01");
  EXPECT_EQ(run({QXI_Write, 0, 0x10, 3, 0, "A1 B2 C3"}, {{"91 04 00 10 00 A1"}, {"91 04 00 11 00 B2", "62 01 00"}}),
            -1015);
}

TEST_F(MemoryCards, ByteWiseWriteOfNothingSendsNothingAndSucceeds) {
  start(QX_CARD_ST1335, "01");
  apdu.Status = 0x1234;
  EXPECT_EQ(run({QXI_Write, 0, 0x10, 0, 0}, {}), 0);
  EXPECT_EQ(apdu.Le, 0);
  EXPECT_EQ(apdu.Status, 0x9000);
}

TEST_F(MemoryCards, PlainReadFillsDataOutFromTheReply) {
  start(QX_CARD_LM104, "01");
  EXPECT_EQ(run({QXI_Read, 0x00, 0x08, 0, 5}, {{"90 03 00 08 05", "90 00 05 71 00 00 00 03"}}), 0);
  EXPECT_EQ(apdu.Le, 5);
  EXPECT_EQ(apdu.DataOut[0], 0x71);
  EXPECT_EQ(apdu.DataOut[4], 0x03);
  EXPECT_EQ(apdu.Status, 0x9000);
}

TEST_F(MemoryCards, CodesCarryAndAuthentication) {
  start(QX_CARD_LM221, "01");
  EXPECT_EQ(run({QXI_Verify, 0, 0, 3, 0, "12 34 56"}, {{"92 04 09 12 34 56"}}), 0);
  EXPECT_EQ(run({QXI_WriteCarry, 3, 0x09, 1, 0, "FE"}, {{"91 04 00 09 03 FE"}}), 0);
  EXPECT_EQ(run({QXI_Authenticate, 1, 2, 6, 0, "01 02 03 04 05 06"}, {{"96 08 01 02 01 02 03 04 05 06"}}), 0);
  EXPECT_EQ(run({QXI_Authenticate, 2, 0, 6, 0, "01 02 03 04 05 06"}, {}), -1051);
  EXPECT_EQ(run({QXI_WriteCarry, 4, 0x09, 1, 0, "FE"}, {}), -1051);
}

TEST_F(MemoryCards, SelectedCodesFollowTheSelectorRows) {
  start(QX_CARD_SLE4404, "03");
  EXPECT_EQ(run({QXI_Verify, 0, 0, 2, 0, "AB CD"}, {{"92 05 00 08 04 AB CD"}}), 0);
  EXPECT_EQ(run({QXI_Verify, 1, 0, 2, 0, "AB CD"}, {}), -1051) << "SLE4404 code 1 is four bytes";
  EXPECT_EQ(run({QXI_Verify, 2, 0, 2, 0, "AB CD"}, {}), -1051) << "no third code";
  start(QX_CARD_GPM896, "03");
  EXPECT_EQ(run({QXI_Verify, 1, 0, 6, 0, "01 02 03 04 05 06"}, {{"92 09 00 36 00 01 02 03 04 05 06"}}), 0);
  start(QX_CARD_AT1604, "03");
  EXPECT_EQ(run({QXI_Verify, 6, 0, 2, 0, "11 22"}, {{"92 05 04 C6 FF 11 22"}}), 0);
  EXPECT_EQ(run({QXI_Verify, 9, 0, 2, 0, "11 22"}, {}), -1051);
}

TEST_F(MemoryCards, BlockWriteEraseAndFuses) {
  start(QX_CARD_AT101, "03");
  EXPECT_EQ(run({QXI_Write, 0x00, 0x20, 2, 0, "55 66"}, {{"91 04 00 20 55 66"}}), 0);
  EXPECT_EQ(run({QXI_Erase, 0x00, 0x10, 4, 0}, {{"95 03 00 10 04"}}), 0);
  EXPECT_EQ(run({QXI_BlowFuse, 0x01, 0x02}, {{"94 02 01 02"}}), 0);
  EXPECT_EQ(run({QXI_BlowFuse, 0x01, 0x02, 1}, {}), -1051);
  EXPECT_EQ(run({QXI_Write, 0x00, 0x20, 2, 1, "55 66"}, {}), -1051);
}

TEST_F(MemoryCards, SetFuseResetsAPoweredCard) {
  start(QX_CARD_SLE4404, "03");
  const char* powered = "90 00 10 4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 03 03";
  const char* unpowered = "90 00 10 4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 03 01";
  EXPECT_EQ(run({QXI_SetFuse, 0x01}, {{"84 01 01", "90 00 01 5A"}, {"01 00", powered}, {"80 00", "90 00 01 3B"}}), 0);
  EXPECT_EQ(apdu.Le, 1) << "the fuse command's reply is the one reported";
  EXPECT_EQ(apdu.DataOut[0], 0x5A);
  EXPECT_EQ(run({QXI_SetFuse, 0xFF}, {{"84 01 FF"}, {"01 00", unpowered}}), 0);
  EXPECT_EQ(run({QXI_SetFuse, 0x02}, {}), -1051);
  EXPECT_EQ(run({QXI_SetFuse, 0x00, 0x00, 1, 1}, {}), -1051);
}

TEST_F(MemoryCards, ProtectedMemoriesAndReadProtection) {
  start(QX_CARD_LM2KS, "06");
  EXPECT_EQ(run({QXI_WriteProtect, 0x00, 0x04, 2, 0, "AA BB"}, {{"94 04 00 04 AA BB"}}), 0);
  EXPECT_EQ(run({QXI_Verify, 0, 0, 3, 0, "FF FF FF"}, {{"92 03 FF FF FF", "90 00 01 07"}}), 0);
  EXPECT_EQ(run({QXI_ChangePIN, 0, 0, 3, 0, "01 02 03"}, {{"93 03 01 02 03"}}), 0);
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 4}, {{"92 00", "90 00 04 FF FF FF FF"}}), 0);
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 3}, {}), -1051);
  EXPECT_EQ(run({QXI_Verify, 0, 0, 0, 0}, {}), -1051) << "a code of no bytes is no verify";
  start(QX_CARD_LM8KS, "05");
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 3}, {{"92 00"}}), 0);
  EXPECT_EQ(run({QXI_ChangePIN, 0, 0, 3, 0, "01 02 03"}, {}), -1005) << "LM8KS has no change code";
}

TEST_F(MemoryCards, IicAndXiic) {
  start(QX_CARD_IIC, "02");
  EXPECT_EQ(run({QXI_CardOptions, 0x05}, {{"84 01 05"}}), 0);
  EXPECT_EQ(run({QXI_Verify}, {}), -1005);
  start(QX_CARD_XIIC, "07");
  EXPECT_EQ(run({QXI_SetProtect, 3, 4}, {{"94 02 03 04"}}), 0);
  EXPECT_EQ(run({QXI_SetProtect, 16, 4}, {}), -1051);
  EXPECT_EQ(run({QXI_SetHE, 15}, {{"94 01 0F"}}), 0);
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 3}, {{"97 00"}}), 0);
}

TEST_F(MemoryCards, WordAddressedCards) {
  start(QX_CARD_LM4KP, "09");
  EXPECT_EQ(run({QXI_Read, 1, 0x20, 0, 5}, {{"90 03 00 90 03"}}), 0);
  EXPECT_EQ(run({QXI_Write, 2, 0x04, 5, 0, "01 02 03 04 05"}, {{"91 06 01 02 01 02 03 04"}}), 0);
  EXPECT_EQ(run({QXI_Erase, 0, 0x04, 6, 0}, {{"95 03 00 02 03"}}), 0);
  EXPECT_EQ(run({QXI_EraseAll}, {{"95 00"}}), 0);
  start(QX_CARD_LM256, "08");
  EXPECT_EQ(run({QXI_Read, 0, 0x21, 0, 2}, {}), -1053);
  EXPECT_EQ(run({QXI_Write, 0, 0x21, 2, 0, "01 02"}, {}), -1053);
  EXPECT_EQ(run({QXI_SetProtect, 0x11}, {{"94 01 11"}}), 0);
  EXPECT_EQ(run({QXI_LockPRotect}, {{"94 02 FF FF"}}), 0);
  EXPECT_EQ(run({QXI_ClearProtect}, {{"94 00"}}), 0);
  EXPECT_EQ(run({QXI_ClearProtect, 1}, {}), -1051);
  EXPECT_EQ(run({QXI_WriteAll, 0, 0, 2, 0, "AB CD"}, {{"95 02 AB CD"}}), 0);
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 1}, {{"97 00"}}), 0);
  EXPECT_EQ(run({QXI_Erase, 0, 0x04, 6, 0}, {}), -1005) << "only the LM4KP erases by word";
}

TEST_F(MemoryCards, X24645ForcesTheTopBitOfP1) {
  start(QX_CARD_X24645, "02");
  EXPECT_EQ(run({QXI_Read, 0x01, 0x00, 0, 2}, {{"90 03 81 00 02"}}), 0);
  EXPECT_EQ(apdu.P1, 0x81);
}

TEST_F(MemoryCards, St1335AuthenticatesWithFourBytes) {
  start(QX_CARD_ST1335, "01");
  EXPECT_EQ(run({QXI_Authenticate, 0, 0, 4, 0, "01 02 03 04"}, {{"96 04 01 02 03 04"}}), 0);
  start(QX_CARD_ST1333, "0B");
  EXPECT_EQ(run({QXI_Erase, 0, 0x30, 1, 0}, {{"95 03 00 30 01"}}), 0);
}

TEST_F(MemoryCards, RecordChecksComeFirst) {
  start(QX_CARD_IIC, "02");
  EXPECT_EQ(run({QXI_Read, 0, 0, 0, 0, "", 1}, {}), -1050);
  EXPECT_EQ(run({0}, {}), -1005);
  EXPECT_EQ(run({20}, {}), -1005);
  EXPECT_EQ(run({QXI_Write, 0, 0, 300, 0}, {}), -1051) << "more data than DataIn holds";
  EXPECT_EQ(run({QXI_Write, 0, 0, -1, 0}, {}), -1051);
}

TEST_F(MemoryCards, ReplyAnnouncingMoreDataThanItCarriesIsRefused) {
  start(QX_CARD_IIC, "02");
  apdu.Le = 7;
  EXPECT_EQ(run({QXI_Read, 0, 0, 0, 4}, {{"90 03 00 00 04", "90 00 04 11 22"}}), -1080);
}

// Password cards: the library keeps the passwords the card accepted for the session.
const char* kPassword = "11 22 33 44 55 66 77 88";
const char* kMaster = "A1 A2 A3 A4 A5 A6 A7 A8";

TEST_F(MemoryCards, X76f041ProtectedReadNeedsAVerifiedPassword) {
  start(QX_CARD_X76F041, "0A");
  EXPECT_EQ(run({QXI_Read, 0x85, 0x10, 0, 4}, {}), -1015);
  EXPECT_EQ(run({QXI_Read, 0x05, 0x10, 0, 4}, {{"90 03 05 10 04"}}), 0) << "unprotected access needs none";
  EXPECT_EQ(run({QXI_Verify, 1, 0, 8, 0, kPassword},
                {{"95 1A 11 22 33 44 55 66 77 88 10 00 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Read, 0x85, 0x10, 0, 4}, {{"90 0B 11 22 33 44 55 66 77 88 05 10 04"}}), 0);
}

TEST_F(MemoryCards, X76f041WritePrefersTheConfigurationPassword) {
  start(QX_CARD_X76F041, "0A");
  EXPECT_EQ(run({QXI_Verify, 0, 0, 8, 0, kPassword}, {{"95 1A 11 22 33 44 55 66 77 88 00 00 11 22 33 44 55 66 77 88 "
                                                      "11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x85, 0x00, 1, 0, "EE"}, {{"94 0B 11 22 33 44 55 66 77 88 05 00 EE"}}), 0);
  EXPECT_EQ(run({QXI_Verify, 2, 0, 8, 0, kMaster}, {{"95 1A A1 A2 A3 A4 A5 A6 A7 A8 20 00 A1 A2 A3 A4 A5 A6 A7 A8 "
                                                     "A1 A2 A3 A4 A5 A6 A7 A8"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x85, 0x00, 1, 0, "EE"}, {{"93 0B A1 A2 A3 A4 A5 A6 A7 A8 05 00 EE"}}), 0);
  EXPECT_EQ(run({QXI_ReadProtect, 0, 0, 0, 5}, {{"95 0A A1 A2 A3 A4 A5 A6 A7 A8 60 05"}}), 0);
  EXPECT_EQ(run({QXI_SetProtect, 0, 0, 5, 0, "01 02 03 04 05"},
                {{"95 0F A1 A2 A3 A4 A5 A6 A7 A8 50 00 01 02 03 04 05"}}),
            0);
}

TEST_F(MemoryCards, X76f041ChangeOfAnUnverifiedPasswordResetsItFirst) {
  start(QX_CARD_X76F041, "0A");
  EXPECT_EQ(run({QXI_ChangePIN, 1, 0, 8, 0, kPassword}, {}), -1015);
  EXPECT_EQ(run({QXI_Verify, 2, 0, 8, 0, kMaster}, {{"95 1A A1 A2 A3 A4 A5 A6 A7 A8 20 00 A1 A2 A3 A4 A5 A6 A7 A8 "
                                                     "A1 A2 A3 A4 A5 A6 A7 A8"}}),
            0);
  EXPECT_EQ(run({QXI_ChangePIN, 1, 0, 8, 0, kPassword},
                {{"95 0A A1 A2 A3 A4 A5 A6 A7 A8 40 00"},
                 {"95 1A 00 00 00 00 00 00 00 00 10 00 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Read, 0x80, 0x00, 0, 1}, {{"92 0B A1 A2 A3 A4 A5 A6 A7 A8 00 00 01"}}), 0);
}

TEST_F(MemoryCards, X76f041WholeCardCommandsResetTheStoredPasswords) {
  start(QX_CARD_X76F041, "0A");
  EXPECT_EQ(run({QXI_Verify, 0, 0, 8, 0, kPassword}, {{"95 1A 11 22 33 44 55 66 77 88 00 00 11 22 33 44 55 66 77 88 "
                                                      "11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_EraseAll, 0, 0, 8, 0, kMaster}, {{"95 0A A1 A2 A3 A4 A5 A6 A7 A8 80 00"}}), 0);
  EXPECT_EQ(run({QXI_Write, 0x80, 0x00, 1, 0, "01"}, {{"94 0B FF FF FF FF FF FF FF FF 00 00 01"}}), 0);
  EXPECT_EQ(run({QXI_WriteAll, 0, 0, 8, 0, kMaster}, {{"95 0A A1 A2 A3 A4 A5 A6 A7 A8 70 00"}}), 0);
  EXPECT_EQ(run({QXI_Write, 0x80, 0x00, 1, 0, "01"}, {{"94 0B 00 00 00 00 00 00 00 00 00 00 01"}}), 0);
}

TEST_F(MemoryCards, X76f128WriteOfTheHighArrayNeedsSlotThree) {
  start(QX_CARD_X76F128, "0E");
  EXPECT_EQ(run({QXI_Verify, 1, 0, 8, 0, kPassword},
                {{"95 19 01 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x80, 0x10, 1, 0, "AB"}, {}), -1015) << "a read password does not open writes";
  EXPECT_EQ(run({QXI_Read, 0x80, 0x10, 0, 2}, {{"90 0C 01 11 22 33 44 55 66 77 88 00 10 02"}}), 0);
  EXPECT_EQ(run({QXI_Verify, 3, 0, 8, 0, kMaster},
                {{"95 19 03 A1 A2 A3 A4 A5 A6 A7 A8 A1 A2 A3 A4 A5 A6 A7 A8 A1 A2 A3 A4 A5 A6 A7 A8"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x80, 0x10, 1, 0, "AB"}, {{"91 0C 01 A1 A2 A3 A4 A5 A6 A7 A8 00 10 AB"}}), 0);
  EXPECT_EQ(run({QXI_ChangePIN, 3, 0, 8, 0, kPassword},
                {{"95 19 03 A1 A2 A3 A4 A5 A6 A7 A8 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x80, 0x10, 1, 0, "AB"}, {{"91 0C 01 11 22 33 44 55 66 77 88 00 10 AB"}}), 0);
}

TEST_F(MemoryCards, X76f640WriteAllOpensEverySlotWithZeros) {
  start(QX_CARD_X76F640, "0E");
  EXPECT_EQ(run({QXI_WriteAll, 0, 0, 8, 0, kMaster}, {{"96 08 A1 A2 A3 A4 A5 A6 A7 A8"}}), 0);
  EXPECT_EQ(run({QXI_Write, 0x00, 0x00, 1, 0, "01"}, {{"91 0C 00 00 00 00 00 00 00 00 00 00 00 01"}}), 0);
  EXPECT_EQ(run({QXI_Reactivate, 0, 0, 8, 0, kMaster}, {{"97 08 A1 A2 A3 A4 A5 A6 A7 A8"}}), 0);
}

TEST_F(MemoryCards, RejectedVerifyLeavesTheSlotInvalid) {
  start(QX_CARD_X76F128, "0E");
  const char* verify0 = "95 19 00 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88";
  EXPECT_EQ(run({QXI_Verify, 0, 0, 8, 0, kPassword}, {{verify0}}), 0);
  EXPECT_EQ(run({QXI_Verify, 0, 0, 8, 0, kPassword}, {{verify0, "62 01 00"}}), -1015);
  EXPECT_EQ(run({QXI_Read, 0x00, 0x00, 0, 1}, {}), -1015);
}

TEST_F(MemoryCards, NewSessionForgetsEveryPassword) {
  start(QX_CARD_X76F100, "10");
  EXPECT_EQ(run({QXI_Verify, 0, 0, 8, 0, kPassword}, {{"95 11 01 11 22 33 44 55 66 77 88 11 22 33 44 55 66 77 88"}}),
            0);
  EXPECT_EQ(run({QXI_Write, 0x00, 0x04, 1, 0, "5A"}, {{"91 0B 11 22 33 44 55 66 77 88 00 04 5A"}}), 0);
  start(QX_CARD_X76F100, "10");
  EXPECT_EQ(run({QXI_Write, 0x00, 0x04, 1, 0, "5A"}, {}), -1015);
}

TEST_F(MemoryCards, X76f100ReadPasswordIsCheckedByAOneByteReadThatHandsOutNothing) {
  start(QX_CARD_X76F100, "10");
  EXPECT_EQ(run({QXI_Verify, 1, 0, 8, 0, kPassword}, {{"90 0B 11 22 33 44 55 66 77 88 00 00 01", "90 00 01 C3"}}), 0);
  EXPECT_EQ(apdu.Le, 0);
  EXPECT_EQ(run({QXI_Read, 0x00, 0x10, 0, 2}, {{"90 0B 11 22 33 44 55 66 77 88 00 10 02"}}), 0);
  EXPECT_EQ(run({QXI_ChangePIN, 1, 0, 8, 0, kMaster}, {}), -1015) << "changing needs the write password";
}

}  // namespace
