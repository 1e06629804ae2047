// A scripted reader on the master side of a pseudo-terminal: the library opens the slave as its
// serial port; a script on a thread of its own expects exact bytes and answers exact bytes. The
// master runs in packet mode, so the script also sees when the library purges the line.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "bytes.h"

namespace testing_support {

using namespace std::chrono_literals;

class PtyPeer {
 public:
  PtyPeer();
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& slave_path() const { return slave_path_; }

  // Runs the script on its own thread while the test calls the library; join() waits for it.
  void serve(std::function<void(PtyPeer&)> script);
  void join();

  // Script steps. expect() records a test failure when other bytes (or none) arrive.
  bool expect(const Bytes& expected, std::chrono::milliseconds timeout = 5s);
  Bytes read_exactly(size_t count, std::chrono::milliseconds timeout = 5s);
  void send(const Bytes& bytes);
  // Waits for the library to purge the line (reset its receive side before a send).
  bool await_flush(std::chrono::milliseconds timeout = 5s);
  // True when no byte arrives for the whole period.
  bool silent_for(std::chrono::milliseconds period);

  // The rate the library set on its side of the line.
  int line_rate() const;
  // The device disappears, as an unplugged adapter does.
  void hang_up();

 private:
  // Reads one packet into pending_ (data) or counts a flush; false when nothing came in time.
  bool pump(std::chrono::milliseconds timeout);

  int master_ = -1;
  int slave_ = -1;  // kept open so that the master never reads end-of-file between opens
  std::string slave_path_;
  Bytes pending_;
  int flushes_ = 0;
  std::thread script_;
};

}  // namespace testing_support
