// pelorus dump, restore and diff against the emulated reader's memory cards, whose memory the
// tests set and read through the card's memory file.
#include "emulated_reader.h"

namespace cli_test {
namespace {

using ::testing::HasSubstr;

class PelorusMemory : public EmulatedReader {
 protected:
  // A card of the model whose memory file starts with `memory` (the rest, its state, stays new).
  void insert_with_memory(const std::string& model, const Bytes& memory) {
    card_file = path(model + ".card");
    write_file(card_file, memory);
    insert(model, {.memory_file = card_file});
  }
  // The card's memory as the emulator holds it now.
  Bytes card_memory(std::size_t size) {
    emulator->save_card_memory();
    Bytes saved = file_bytes(card_file);
    saved.resize(size);
    return saved;
  }
  std::string card_file;
};

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

TEST_F(PelorusMemory, DumpWritesTheWholeMemoryOfTheChip) {
  insert_with_memory("iic-2k", counting(2048));
  const std::string image = path("card.bin");
  const Outcome o = pelorus({"dump", "--card", "AT24C16", "-o", image});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(file_bytes(image), counting(2048));
  EXPECT_EQ(o.err.find('\r'), std::string::npos) << "no progress bar when stderr is not a terminal";
}

TEST_F(PelorusMemory, DumpOfTheX24645ReadsFromC000) {
  insert_with_memory("x24645", counting(8192));
  const Outcome o = pelorus({"dump", "--card", "x24645", "-o", path("x.bin")});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(file_bytes(path("x.bin")), counting(8192));
}

TEST_F(PelorusMemory, ACardTypeOfChipsOfDifferentSizesAsksForTheChip) {
  const Outcome o = pelorus({"dump", "--card", "IIC", "-o", path("x.bin")});
  EXPECT_EQ(o.status, 2);
  EXPECT_THAT(o.err, HasSubstr("name the chip"));
  EXPECT_THAT(o.err, HasSubstr("AT24C16"));
}

TEST_F(PelorusMemory, AFailedDumpLeavesNoFile) {
  const Outcome o = pelorus({"dump", "--card", "AT24C02", "-o", path("x.bin")});  // no card
  EXPECT_EQ(o.status, 3);
  EXPECT_THAT(o.err, HasSubstr("no card in the reader"));
  EXPECT_FALSE(std::filesystem::exists(path("x.bin")));
  EXPECT_FALSE(std::filesystem::exists(path("x.bin.partial")));
}

// The LM2KS takes writes only after its security code (a new card's is FF FF FF).
TEST_F(PelorusMemory, RestoreOfACodeProtectedCardWritesOnlyTheBytesThatDiffer) {
  insert_with_memory("lm2ks", counting(256));
  const std::string image = path("card.bin");
  ASSERT_EQ(pelorus({"dump", "--card", "SLE4442", "-o", image}).status, 0);
  Bytes changed = counting(256);
  changed[0x40] = 0xAA;
  changed[0x41] = 0xBB;
  changed[0xF0] = 0xCC;
  write_file(image, changed);

  const Outcome diff = pelorus({"diff", image, "--card", "SLE4442"});
  EXPECT_EQ(diff.status, 1);
  EXPECT_THAT(diff.out, HasSubstr("0040-0041: AA BB | C0 C7\n"));

  const auto before = emulator->state().commands_received;
  const Outcome restore = pelorus({"restore", "--card", "SLE4442", image, "--verify", "FFFFFF"});
  ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
  EXPECT_THAT(restore.out, HasSubstr("wrote 3 bytes in 2 ranges"));
  EXPECT_THAT(restore.out, HasSubstr("read back: the card holds"));
  EXPECT_EQ(card_memory(256), changed);
  // Session, code, 2 full reads of 2 pieces each, 2 writes, power down.
  EXPECT_LT(emulator->state().commands_received - before, 16u);

  const Outcome same = pelorus({"diff", image, "--card", "SLE4442"});
  EXPECT_EQ(same.status, 0) << same.out;
  EXPECT_THAT(same.out, HasSubstr("are the same (256 bytes)"));
}

// Without the code the library refuses; with a wrong one the card answers success and its error
// counter says no, which must not pass for success.
TEST_F(PelorusMemory, RestoreWithoutTheRightCodeIsRefusedAndLeavesTheCard) {
  insert_with_memory("lm2ks", counting(256));
  write_file(path("card.bin"), Bytes(256, 0));
  const Outcome no_code = pelorus({"restore", "--card", "LM2KS", path("card.bin")});
  EXPECT_EQ(no_code.status, 3);
  EXPECT_THAT(no_code.err, HasSubstr("error -1015 (QX_ERR_NO_PASSWORD)"));
  const Outcome wrong = pelorus({"restore", "--card", "LM2KS", path("card.bin"), "--verify", "123456"});
  EXPECT_EQ(wrong.status, 3);
  EXPECT_THAT(wrong.err, HasSubstr("the card refused it, 2 chances left"));
  EXPECT_EQ(card_memory(256), counting(256));
}

TEST_F(PelorusMemory, RestoreOfAnImageOfTheWrongSizeSendsNothing) {
  insert_with_memory("lm2ks", counting(256));
  write_file(path("short.bin"), Bytes(100, 0));
  const Outcome o = pelorus({"restore", "--card", "LM2KS", path("short.bin"), "--verify", "FFFFFF"});
  EXPECT_EQ(o.status, 2);
  EXPECT_THAT(o.err, HasSubstr("holds 100 bytes; the memory of LM2KS is 256"));
  EXPECT_EQ(emulator->state().commands_received, 0u);
}

// The X76F100 reads behind its read password and writes behind its write password (a new
// card's are eight FF bytes).
TEST_F(PelorusMemory, PasswordCardRoundTrip) {
  insert_with_memory("x76f100", counting(112));
  const Outcome locked = pelorus({"dump", "--card", "X76F100", "-o", path("x.bin")});
  EXPECT_EQ(locked.status, 3);
  EXPECT_THAT(locked.err, HasSubstr("QX_ERR_NO_PASSWORD"));

  const std::string password = "FFFFFFFFFFFFFFFF";
  const std::string image = path("x.bin");
  ASSERT_EQ(pelorus({"dump", "--card", "X76F100", "--verify", password, "-o", image}).status, 0);
  ASSERT_EQ(file_bytes(image), counting(112));
  Bytes changed = counting(112);
  for (std::size_t i = 10; i < 50; ++i) changed[i] = 0x5A;
  write_file(image, changed);
  const Outcome restore = pelorus({"restore", "--card", "X76F100", image, "--verify", password});
  ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
  EXPECT_THAT(restore.out, HasSubstr("wrote 40 bytes in 1 range"));
  EXPECT_EQ(card_memory(112), changed);
}

TEST_F(PelorusMemory, WordAddressedCardsAreWrittenInWholeWords) {
  insert_with_memory("lm4kp", counting(512));
  Bytes changed = counting(512);
  changed[0x101] = 0x11;  // the low byte of a word
  write_file(path("w.bin"), changed);
  const Outcome o = pelorus({"restore", "--card", "LM4KP", path("w.bin")});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_THAT(o.out, HasSubstr("wrote 2 bytes in 1 range"));
  EXPECT_EQ(card_memory(512), changed);
}

TEST(PelorusDiff, TwoImagesAsAddressRangesWithHex) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto a = (dir / ("diff-a-" + std::to_string(::getpid()))).string();
  const auto b = (dir / ("diff-b-" + std::to_string(::getpid()))).string();
  Bytes first(40, 0x00);
  Bytes second = first;
  for (std::size_t i = 2; i < 22; ++i) second[i] = 0xEE;
  second[30] = 0x01;
  write_file(a, first);
  write_file(b, second);
  const Outcome o = run({"diff", a, b});
  EXPECT_EQ(o.status, 1);
  EXPECT_THAT(o.out, HasSubstr("0002-0011: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 | EE EE"));
  EXPECT_THAT(o.out, HasSubstr("0012-0015: 00 00 00 00 | EE EE EE EE\n"));
  EXPECT_THAT(o.out, HasSubstr("001E-001E: 00 | 01\n"));
  EXPECT_THAT(o.out, HasSubstr("21 bytes differ in 2 ranges"));
  EXPECT_EQ(run({"diff", a, a}).status, 0);
  std::filesystem::remove(a);
  std::filesystem::remove(b);
}

}  // namespace
}  // namespace cli_test
