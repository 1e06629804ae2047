// With PELORUS32_TRACE naming a file, the library writes its protocol messages, the frames and
// the errno detail of failed system calls there.
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "reader_fixture.h"

namespace {

using namespace testing_support;

std::string trace_text() {
  std::ifstream in(std::getenv("TRACE_FILE"));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Trace : public ReaderTest {
 protected:
  // The library opens the trace at its first message, after this.
  void SetUp() override {
    std::remove(std::getenv("TRACE_FILE"));
    ReaderTest::SetUp();
  }
};

TEST_F(Trace, CarriesTheProtocolMessagesAndFrames) {
  ASSERT_EQ(open_reader(), 0);
  QX_INFO info{};
  const Bytes data = hex("4B 49 54 45 42 54 30 33 31 30 F8 FC 7F FF 0C 01");
  ASSERT_EQ(with_reader(
                [&](PtyPeer& p) {
                  p.expect(frame("01 00"));
                  p.send(frame_with_bad_checksum("90 00 00"));
                  p.expect(kNack);
                  p.send(reply(0x9000, data));
                },
                [&] { return QX_GetInfo(0, &info); }),
            0);
  ::setenv("PELORUS32_COM2", "/nonexistent/tty", 1);
  EXPECT_EQ(QX_Open(4, QX_PORT_COM2), -1081);

  const std::string text = trace_text();
  for (const char* expected : {"QX_Open(4, 0)\n", "Step 1", "Step 3", "Step 5.2\n", "Step 5.3\n",
                               "Reader do exist!!\n", "\n Send:<02>01010000<03>\n",
                               "ETX character is received\n", "Content of sReceived\n", "Read File OK, length=",
                               "Data received\n", "\nReceive:", "Bad frame (bad checksum)\n", "\nSend NACK:", "QX_GetInfo -> 0\n",
                               "open /nonexistent/tty: No such file or directory (errno 2)\n"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected;
  }
}

}  // namespace
