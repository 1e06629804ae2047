#include "port_map.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "timing.h"

namespace {

using pelorus::find_in_ports_conf;
using pelorus::resolve_port;

TEST(PortsConf, FindsKeysIgnoringCommentsAndSpaces) {
  const char* conf =
      "# readers on this machine\n"
      "\n"
      "  COM1 = /dev/ttyUSB0  \n"
      "COM2=rfc2217://10.0.0.5:4001\r\n"
      "KEYBOARD=/run/kbd.sock\n"
      "COM1=/dev/ignored\n";
  EXPECT_EQ(find_in_ports_conf(conf, "COM1"), "/dev/ttyUSB0");
  EXPECT_EQ(find_in_ports_conf(conf, "COM2"), "rfc2217://10.0.0.5:4001");
  EXPECT_EQ(find_in_ports_conf(conf, "KEYBOARD"), "/run/kbd.sock");
  EXPECT_EQ(find_in_ports_conf("#COM1=/dev/x\nCOM12=/dev/y\n", "COM1"), std::nullopt);
}

class PortMap : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("pelorus-portmap-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_ / "pelorus32");
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    ::unsetenv("PELORUS32_COM1");
    ::unsetenv("PELORUS32_COM2");
    ::unsetenv("PELORUS32_KEYBOARD");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void write_conf(const std::string& text) { std::ofstream(dir_ / "pelorus32" / "ports.conf") << text; }

  std::filesystem::path dir_;
};

TEST_F(PortMap, EnvironmentComesFirstThenPortsConfThenDefaults) {
  write_conf("COM1=/dev/from-conf\n");
  ::setenv("PELORUS32_COM1", "/dev/from-env", 1);
  EXPECT_EQ(resolve_port(0), "/dev/from-env");
  ::unsetenv("PELORUS32_COM1");
  EXPECT_EQ(resolve_port(0), "/dev/from-conf");
  EXPECT_EQ(resolve_port(1), "/dev/ttyS1");
}

TEST_F(PortMap, KeyboardPortHasNoDefault) {
  EXPECT_EQ(resolve_port(16), std::nullopt);
  write_conf("KEYBOARD=/run/kbd\n");
  EXPECT_EQ(resolve_port(16), "/run/kbd");
}

TEST_F(PortMap, OtherPortNumbersHaveNoDevice) {
  EXPECT_EQ(resolve_port(2), std::nullopt);
  EXPECT_EQ(resolve_port(-1), std::nullopt);
}

TEST(TimeScale, AcceptsPositiveNumbersOnly) {
  EXPECT_EQ(pelorus::timing::parse_scale("0.05"), 0.05);
  EXPECT_EQ(pelorus::timing::parse_scale("1"), 1.0);
  EXPECT_EQ(pelorus::timing::parse_scale("0"), std::nullopt);
  EXPECT_EQ(pelorus::timing::parse_scale("-2"), std::nullopt);
  EXPECT_EQ(pelorus::timing::parse_scale("fast"), std::nullopt);
  EXPECT_EQ(pelorus::timing::parse_scale("1.5x"), std::nullopt);
  EXPECT_EQ(pelorus::timing::parse_scale(""), std::nullopt);
  EXPECT_EQ(pelorus::timing::parse_scale("inf"), std::nullopt);
}

TEST(TimeScale, UnscaledDelaysAreTheProtocolsOwn) {
  // Without PELORUS32_TIME_SCALE (unset for this test binary) every delay keeps its real length.
  EXPECT_EQ(pelorus::timing::scaled(pelorus::timing::kReplyWait), std::chrono::milliseconds(1000));
  EXPECT_EQ(pelorus::timing::scaled(pelorus::timing::kListenerSettle), std::chrono::milliseconds(2000));
  EXPECT_EQ(pelorus::timing::scaled(pelorus::timing::kDtrHigh), std::chrono::milliseconds(18));
}

}  // namespace
