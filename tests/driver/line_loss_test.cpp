// A serial device that disappears while open, as an unplugged USB-serial adapter does.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

const Bytes kInfo = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");

std::chrono::microseconds process_cpu_time() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// COM1 is a symbolic link, so that the "same device" can come back as a new pseudo-terminal.
class LineLoss : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("pelorus-lineloss-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    link_ = dir_ / "ttyUSB0";
    plug_in();
    ::setenv("PELORUS32_COM1", link_.c_str(), 1);
  }
  void TearDown() override {
    for (int handle = 0; handle < 10; ++handle) QX_Close(handle);
    peer_.reset();
    std::filesystem::remove_all(dir_);
  }

  void plug_in() {
    peer_ = std::make_unique<PtyPeer>();
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(peer_->slave_path(), link_);
  }

  int32_t open() {
    peer_->serve([](PtyPeer& p) {
      if (p.expect(kProbe)) p.send(kNack);
    });
    const int32_t handle = QX_Open(4, QX_PORT_COM1);
    peer_->join();
    return handle;
  }

  std::filesystem::path dir_;
  std::filesystem::path link_;
  std::unique_ptr<PtyPeer> peer_;
};

TEST_F(LineLoss, CallsFailWithTimeoutCodesAndNothingSpins) {
  ASSERT_EQ(open(), 0);
  peer_->hang_up();

  QX_INFO info{};
  EXPECT_EQ(QX_GetInfo(0, &info), -1081);
  QX_SESSION session{};
  EXPECT_EQ(QX_StartSession(0, &session), -1081);

  // An idle open port whose line is gone costs no processor time.
  const auto before = process_cpu_time();
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(process_cpu_time() - before, 100ms) << "the listener is spinning on a dead line";
}

TEST_F(LineLoss, ReopenWorksOnceTheDeviceIsBack) {
  ASSERT_EQ(open(), 0);
  peer_->hang_up();
  QX_INFO info{};
  EXPECT_EQ(QX_GetInfo(0, &info), -1081);
  ASSERT_EQ(QX_Close(0), 0);

  plug_in();
  ASSERT_EQ(open(), 0);
  peer_->serve([](PtyPeer& p) {
    if (p.expect(frame("01 00"))) p.send(reply(0x9000, kInfo));
  });
  EXPECT_EQ(QX_GetInfo(0, &info), 0);
  peer_->join();
}

}  // namespace
