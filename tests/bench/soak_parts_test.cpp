// The soak's verdicts are only as good as its known answers: they must be what the emulated cards
// really answer, and any difference from them must count as wrong data.
#include <gtest/gtest.h>

#include <array>

#include "kitesim/card.h"
#include "soak_exchanges.h"
#include "soak_faults.h"
#include "soak_options.h"
#include "soak_reader.h"
#include "soak_tally.h"

namespace soak {
namespace {

kitesim::Bytes card_echo(kitesim::Card& card, const QX_APDU& apdu) {
  kitesim::CommandApdu command{apdu.CLA, apdu.INS, apdu.P1, apdu.P2,
                               kitesim::Bytes(apdu.DataIn, apdu.DataIn + apdu.Lc), static_cast<unsigned>(apdu.Le)};
  const auto response = card.apdu(command);
  return response ? response->data : kitesim::Bytes{};
}

TEST(SoakKnownAnswers, EchoExpectsWhatTheMcuCardAnswers) {
  auto card = kitesim::make_card("mcu-t0");
  card->power_up();
  Random random(1);
  for (int i = 0; i < 300; ++i) {
    const Exchange e = make_echo(random);
    const kitesim::Bytes answer = card_echo(*card, e.apdu);
    ASSERT_EQ(static_cast<int>(answer.size()), e.expected.le);
    ASSERT_TRUE(std::equal(answer.begin(), answer.end(), e.expected.data.begin())) << "echo " << i;
  }
}

TEST(SoakKnownAnswers, MemoryReadExpectsTheImageTheCardLoads) {
  const WorkDirectory work;
  write_memory_image(work.path() / "iic.bin");
  auto card = kitesim::make_card("iic-2k", {.memory_file = work.path() / "iic.bin"});
  card->power_up();
  Random random(2);
  for (int i = 0; i < 300; ++i) {
    const Exchange e = make_memory_read(random);
    ASSERT_LE(e.apdu.P1 * 256 + e.apdu.P2 + e.apdu.Le, static_cast<int>(kMemorySize));
    const std::array<std::uint8_t, 3> read{e.apdu.P1, e.apdu.P2, static_cast<std::uint8_t>(e.apdu.Le)};
    const kitesim::CardReply reply = card->memory_command(0x90, read);
    ASSERT_EQ(reply.status, kitesim::sw::ok);
    ASSERT_EQ(static_cast<int>(reply.data.size()), e.expected.le);
    ASSERT_TRUE(std::equal(reply.data.begin(), reply.data.end(), e.expected.data.begin())) << "read " << i;
  }
}

TEST(SoakKnownAnswers, ReadsAtDifferentAddressesSeeDifferentBytes) {
  // Otherwise a late answer to another read could pass for the right one.
  for (std::size_t a = 0; a + 4 <= kMemorySize; ++a) {
    for (std::size_t b = a + 1; b + 4 <= kMemorySize && b < a + 300; ++b) {
      const bool same = memory_byte(a) == memory_byte(b) && memory_byte(a + 1) == memory_byte(b + 1) &&
                        memory_byte(a + 2) == memory_byte(b + 2) && memory_byte(a + 3) == memory_byte(b + 3);
      ASSERT_FALSE(same) << a << " and " << b;
    }
  }
}

class SoakClassify : public ::testing::Test {
 protected:
  void SetUp() override {
    Random random(3);
    exchange = make_echo(random);
    exchange.apdu.Le = exchange.expected.le;
    exchange.apdu.Status = exchange.expected.status;
    std::copy_n(exchange.expected.data.begin(), exchange.expected.le, exchange.apdu.DataOut);
  }
  Outcome::Kind verdict(std::int32_t result = 0) const { return classify(result, exchange).kind; }
  Exchange exchange;
};

TEST_F(SoakClassify, TheKnownAnswerIsCorrect) { EXPECT_EQ(verdict(), Outcome::Kind::correct); }

TEST_F(SoakClassify, ResultZeroWithAnyDifferenceIsWrongData) {
  Exchange longer = exchange;
  ++longer.apdu.Le;
  Exchange status = exchange;
  status.apdu.Status = 0x6D00;
  Exchange last_byte = exchange;
  last_byte.apdu.DataOut[exchange.expected.le - 1] ^= 0x01;
  for (const Exchange* e : {&longer, &status, &last_byte}) {
    EXPECT_EQ(classify(0, *e).kind, Outcome::Kind::wrong_data);
  }
}

TEST_F(SoakClassify, AnErrorKeepsItsCode) {
  const Outcome outcome = classify(QX_ERR_TIMEOUT, exchange);
  EXPECT_EQ(outcome.kind, Outcome::Kind::error);
  EXPECT_EQ(outcome.code, QX_ERR_TIMEOUT);
}

TEST(SoakTally, CountsOutcomesAndKeepsTheFirstWrongCases) {
  Tally tally(std::chrono::milliseconds(50));
  Random random(4);
  for (std::uint64_t i = 0; i < 8; ++i) {
    const Exchange e = make_echo(random);  // nothing filled in: wrong data
    tally.record({.index = i, .transport = Transport::pty, .took = std::chrono::milliseconds(i * 10)},
                 classify(0, e), e);
  }
  tally.record({.index = 8, .transport = Transport::rfc2217}, {Outcome::Kind::error, QX_ERR_BAD_FRAME}, {});
  EXPECT_EQ(tally.total().calls, 9u);
  EXPECT_EQ(tally.wrong_data(), 8u);
  EXPECT_EQ(tally.total().errors.at(QX_ERR_BAD_FRAME), 1u);
  EXPECT_EQ(tally.wrong_cases().size(), 5u);
  const TransportTally& pty = tally.by_transport().at(Transport::pty);
  EXPECT_EQ(pty.longest.index, 7u);
  EXPECT_EQ(pty.over_bound, 2u);  // 60 and 70 ms
}

TEST(SoakFaults, AboutOneExchangeInSevenIsFaultedWithDelaysEitherSideOfTheWait) {
  const FaultPicker picker(std::chrono::milliseconds(10), 0.15);
  EXPECT_LT(picker.short_delay(), std::chrono::milliseconds(10));
  EXPECT_GT(picker.longest_delay(), std::chrono::milliseconds(10));
  Random random(5);
  int faulted = 0;
  for (int i = 0; i < 100'000; ++i) faulted += picker.pick(random).kind != FaultKind::none;
  EXPECT_NEAR(faulted, 15'000, 600);
}

TEST(SoakOptions, DefaultsAreBothTransportsAtAHundredthOfTheDelays) {
  const char* argv[] = {"soak"};
  const auto options = std::get<Options>(parse_command_line(1, const_cast<char**>(argv)));
  EXPECT_EQ(options.exchanges, 100'000u);
  EXPECT_EQ(options.transports, (std::vector{Transport::pty, Transport::rfc2217}));
  EXPECT_DOUBLE_EQ(options.time_scale, 0.01);
  EXPECT_DOUBLE_EQ(options.fault_share, 0.15);
}

TEST(SoakOptions, ValuesAreTakenAndMistakesRefused) {
  const char* good[] = {"soak", "--exchanges", "5000", "--transport", "keyboard", "--time-scale", "0.1", "--seed", "9"};
  const auto options = std::get<Options>(parse_command_line(9, const_cast<char**>(good)));
  EXPECT_EQ(options.exchanges, 5000u);
  EXPECT_EQ(options.transports, std::vector{Transport::keyboard});
  EXPECT_DOUBLE_EQ(options.time_scale, 0.1);
  EXPECT_EQ(options.seed, 9u);
  for (const char* bad : {"--exchanges 0", "--exchanges -3", "--transport usb", "--time-scale 0", "--time-scale x",
                          "--fault-share 1.5",
                          "--seed", "--what 1"}) {
    std::vector<std::string> words{"soak"};
    std::istringstream split(bad);
    for (std::string w; split >> w;) words.push_back(w);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    EXPECT_TRUE(std::holds_alternative<UsageError>(parse_command_line(static_cast<int>(argv.size()), argv.data())))
        << bad;
  }
}

}  // namespace
}  // namespace soak
