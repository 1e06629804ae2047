// An eventfd that a thread blocked in poll() also watches, so that another thread can end its
// wait (closing a descriptor does not wake a poll on it).
#pragma once

#include "unique_fd.h"

namespace kitesim {

class Wakeup {
 public:
  Wakeup();
  int fd() const { return fd_.get(); }
  void signal();
  bool signalled() const;

 private:
  UniqueFd fd_;
};

// Polls fd for events and the wakeup at once; returns the fd's revents, 0 on time-out or when
// woken. timeout_ms -1 waits without limit.
short poll_with_wakeup(int fd, short events, const Wakeup& wakeup, int timeout_ms);

}  // namespace kitesim
