#include <charconv>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "kitesim/control.h"

namespace kitesim {
namespace {

std::vector<std::string> words_of(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

unsigned number(const std::string& text) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) throw std::invalid_argument("not a number: " + text);
  return value;
}

bool on_off(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw std::invalid_argument("expected on or off: " + text);
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
  }
  return out.empty() ? "-" : out;
}

std::string describe(const ReaderState& s) {
  std::ostringstream out;
  out << "state model=" << (s.model == Model::KITEA ? "KITEA" : "KITEB") << " rate=" << s.rate
      << " dtr=" << s.dtr << " cts=" << s.cts << " booting=" << s.booting
      << " card=" << (s.card_present ? s.card_model : "none") << " powered=" << s.card_powered
      << " type=" << static_cast<int>(s.selected_card_type) << " module=" << s.module_powered
      << " frames=" << s.frames_received << " probes=" << s.probes_received
      << " commands=" << s.commands_received << " nacks_in=" << s.nacks_received
      << " bad_frames=" << s.bad_frames_received << " ignored_bytes=" << s.bytes_ignored
      << " keyboard=" << s.keyboard_requests << " replies=" << s.replies_sent << " nacks_out=" << s.nacks_sent
      << " events=" << s.events_sent << " startups=" << s.startups_sent << " resets=" << s.resets
      << " last_command=" << hex(s.last_command) << " corrupt=" << s.faults.corrupt_next
      << " drop=" << s.faults.drop_next << " nack=" << s.faults.nack_next << " delay=" << s.faults.delay.count()
      << " interleave=" << s.faults.interleave_next << " probe_faults=" << s.faults.include_probe;
  return out.str();
}

void change_fault(Emulator& emulator, const std::vector<std::string>& w) {
  if (w.size() < 2) throw std::invalid_argument("fault needs a kind");
  Faults faults = emulator.state().faults;
  const std::string& kind = w[1];
  if (kind == "clear") {
    faults = {};
  } else if (w.size() < 3) {
    throw std::invalid_argument("fault " + kind + " needs a value");
  } else if (kind == "corrupt") {
    faults.corrupt_next = number(w[2]);
  } else if (kind == "drop") {
    faults.drop_next = number(w[2]);
  } else if (kind == "nack") {
    faults.nack_next = number(w[2]);
  } else if (kind == "delay") {
    faults.delay = std::chrono::milliseconds(number(w[2]));
  } else if (kind == "probe") {
    faults.include_probe = on_off(w[2]);
  } else if (kind == "event") {
    if (w[2] != "inserted" && w[2] != "removed") throw std::invalid_argument("event is inserted or removed");
    faults.interleave_event = w[2] == "inserted" ? CardEvent::inserted : CardEvent::removed;
    faults.interleave_next = w.size() > 3 ? number(w[3]) : 1;
  } else {
    throw std::invalid_argument("unknown fault: " + kind);
  }
  emulator.set_faults(faults);
}

}  // namespace

std::string control_help() {
  std::string text =
      "insert MODEL [FILE]   insert a card (memory cards: load FILE, save it on remove)\n"
      "remove                remove the card (saves its memory file)\n"
      "reset                 power-cycle the reader, as a DTR drop and raise does\n"
      "save                  write the card's memory to its file\n"
      "state                 print the reader's state and counters on one line\n"
      "fault corrupt N       send the next N answers with a wrong checksum\n"
      "fault drop N          do not send the next N answers\n"
      "fault nack N          answer the next N commands with the NACK frame\n"
      "fault delay MS        hold every answer back MS milliseconds (0 ends it)\n"
      "fault event inserted|removed [N]  put a card-event frame before the next N answers\n"
      "fault probe on|off    let faults apply to the presence-probe answer too\n"
      "fault clear           end all faults\n"
      "pace on|off           send at the line rate (10 bits per byte) or at once\n"
      "help                  this list\n"
      "quit                  stop the emulator\n"
      "card models:";
  for (const CardModelInfo& model : card_models()) text += " " + model.name;
  return text;
}

ControlReply run_control_command(Emulator& emulator, std::string_view line) {
  auto w = words_of(line);
  if (w.empty()) return {"", false};
  try {
    const std::string& command = w[0];
    if (command == "quit") return {"ok", true};
    if (command == "help") return {control_help(), false};
    if (command == "state") return {describe(emulator.state()), false};
    if (command == "insert") {
      if (w.size() < 2) throw std::invalid_argument("insert needs a card model");
      CardOptions options;
      if (w.size() > 2) options.memory_file = w[2];
      emulator.insert(make_card(w[1], options));
    } else if (command == "remove") {
      emulator.remove();
    } else if (command == "reset") {
      emulator.reset();
    } else if (command == "save") {
      if (!emulator.save_card_memory()) throw std::runtime_error("no card memory file to save");
    } else if (command == "fault") {
      change_fault(emulator, w);
    } else if (command == "pace") {
      if (w.size() < 2) throw std::invalid_argument("pace needs on or off");
      emulator.set_paced(on_off(w[1]));
    } else {
      throw std::invalid_argument("unknown command: " + command + " (try help)");
    }
    return {"ok", false};
  } catch (const std::exception& e) {
    return {std::string("error: ") + e.what(), false};
  }
}

}  // namespace kitesim
