#include "gui_session.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "com_error.h"

namespace pelorus::control {
namespace {

bool connects(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;  // an abstract name starts with a zero byte
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return connected;
}

// A local display (":N", ":N.S", "unix:N") answers on its socket; a display on another host is
// taken as it is.
bool x_display_answers(const std::string& display) {
  const auto colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string socket = "/tmp/.X11-unix/X" + number;
  return connects(socket, false) || connects(socket, true);
}

}  // namespace

bool display_available() {
  if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform != nullptr && *platform != '\0') return true;
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0' && x_display_answers(display);
}

GuiSession::GuiSession() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) return;
  if (QCoreApplication::instance() != nullptr || !display_available())
    throw ComError(E_FAIL, "no display to show the dialog on");
  own_ = std::make_unique<QApplication>(argc_, argv_);
}

GuiSession::~GuiSession() = default;

}  // namespace pelorus::control
