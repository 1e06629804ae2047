// Control commands, as typed on stdin or sent to the control socket.
#include "kitesim/control.h"

#include <gtest/gtest.h>

#include <atomic>

#include "socket_client.h"

namespace kitesim {
namespace {

using namespace std::chrono_literals;

TEST(ControlCommands, InsertAndRemoveCards) {
  Emulator emulator;
  EXPECT_EQ(run_control_command(emulator, "insert mcu-t1").text, "ok");
  EXPECT_EQ(emulator.state().card_model, "mcu-t1");
  EXPECT_EQ(run_control_command(emulator, "remove").text, "ok");
  EXPECT_FALSE(emulator.state().card_present);
  EXPECT_EQ(run_control_command(emulator, "insert nosuchcard").text.rfind("error: ", 0), 0u);
  EXPECT_EQ(run_control_command(emulator, "save").text.rfind("error: ", 0), 0u);
}

TEST(ControlCommands, FaultsAreSetOneByOneAndClearedTogether) {
  Emulator emulator;
  for (const char* line : {"fault corrupt 2", "fault drop 3", "fault nack 1", "fault delay 40",
                           "fault event removed 2", "fault probe on"})
    EXPECT_EQ(run_control_command(emulator, line).text, "ok") << line;
  Faults expected{.corrupt_next = 2, .drop_next = 3, .nack_next = 1, .delay = 40ms, .interleave_next = 2,
                  .interleave_event = CardEvent::removed, .include_probe = true};
  EXPECT_EQ(emulator.state().faults, expected);
  EXPECT_EQ(run_control_command(emulator, "fault clear").text, "ok");
  EXPECT_EQ(emulator.state().faults, Faults{});
  for (const char* line : {"fault corrupt", "fault corrupt -1", "fault corrupt 2x", "fault probe maybe",
                           "fault event sideways", "fault melt 1", "pace sometimes", "jump"})
    EXPECT_EQ(run_control_command(emulator, line).text.rfind("error: ", 0), 0u) << line;
}

TEST(ControlCommands, StateAndQuit) {
  Emulator emulator;
  auto state = run_control_command(emulator, "state").text;
  EXPECT_EQ(state.rfind("state model=KITEB rate=9600 ", 0), 0u) << state;
  EXPECT_TRUE(run_control_command(emulator, "quit").quit);
  EXPECT_FALSE(run_control_command(emulator, "").quit);
  EXPECT_NE(run_control_command(emulator, "help").text.find("fault corrupt N"), std::string::npos);
}

TEST(ControlSocket, AnswersEachLineAndPassesOnQuit) {
  Emulator emulator;
  auto path = testing::temp_path("control.sock");
  std::atomic<bool> quit = false;
  ControlSocket control(emulator, path, [&] { quit = true; });
  auto client = testing::connect_unix(path, SOCK_STREAM);
  ASSERT_TRUE(client);
  std::string line = "insert iic\nstate\nquit\n";
  ASSERT_TRUE(testing::send_all(client.get(), Bytes(line.begin(), line.end())));
  std::string answers;
  while (std::count(answers.begin(), answers.end(), '\n') < 3) {
    auto bytes = testing::receive(client.get());
    ASSERT_TRUE(bytes && !bytes->empty());
    answers.append(bytes->begin(), bytes->end());
  }
  EXPECT_EQ(answers.rfind("ok\nstate ", 0), 0u) << answers;
  EXPECT_NE(answers.find(" card=iic "), std::string::npos);
  EXPECT_TRUE(answers.ends_with("\nok\n"));
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace kitesim
