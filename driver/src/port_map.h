// Where each port number of the library lives on this machine: a tty device, an RFC 2217
// address, or (the keyboard port) a Unix socket.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelorus {

// The name of a port in the environment and in ports.conf: "COM1", "COM2", "KEYBOARD"; empty for
// a port number that has none.
std::string_view port_key(int port);

// The value of KEY in the text of a ports.conf file: lines "KEY=value"; blank lines and lines
// starting with '#' are ignored; spaces around key and value are dropped; the first match wins.
std::optional<std::string> find_in_ports_conf(std::string_view conf_text, std::string_view key);

// The device of a port: PELORUS32_<KEY>, then $XDG_CONFIG_HOME/pelorus32/ports.conf (or
// ~/.config/...), then /etc/pelorus32/ports.conf, then /dev/ttyS0 or /dev/ttyS1 for the serial
// ports. nullopt when nothing names the keyboard port.
std::optional<std::string> resolve_port(int port);

}  // namespace pelorus
