// A private X server for the tests that need a real one (window frames, what is on the screen):
// Debian's Xvfb on a display number it picks itself, and optionally the openbox window manager on
// it, both started here and stopped when the object goes. Nothing of the user's display or window
// manager configuration is touched.
#pragma once

#include <sys/types.h>

#include <string>

namespace kestrel::testing {

class X11Display {
 public:
  // window_manager: "openbox" or empty for none.
  explicit X11Display(const std::string& window_manager);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  // ":N" once the server is up; empty when Xvfb is missing or did not start (why() says why).
  const std::string& name() const { return name_; }
  const std::string& why() const { return why_; }

 private:
  pid_t server_ = -1;
  pid_t window_manager_ = -1;
  std::string name_;
  std::string why_;
  std::string home_;
};

}  // namespace kestrel::testing
