#include "reader.h"

#include <iterator>
#include <stdexcept>
#include <utility>

#include "keyboard_coding.h"
#include "rate_codes.h"

namespace kitesim {

Reader::Reader(const ReaderConfig& config) : config_(config), commands_(config), rate_(config.rate) {
  config_.firmware.resize(firmware_length, ' ');
  if (!rate_code(config.model, config.rate))
    throw std::invalid_argument("the reader model has no rate code for " + std::to_string(config.rate));
}

Bytes Reader::frame(std::uint8_t header, std::span<const std::uint8_t> bytes, bool corrupt) const {
  return encode_frame(header, bytes, config_.model == Model::KITEB, corrupt);
}

Reader::Pending Reader::Pending::send(TimePoint due, Bytes bytes, Tally tally) {
  Pending p;
  p.due = due;
  p.bytes = std::move(bytes);
  p.tally = tally;
  return p;
}

Reader::Pending Reader::Pending::set_rate(TimePoint due, std::uint32_t rate) {
  Pending p;
  p.due = due;
  p.action = Action::set_rate;
  p.rate = rate;
  return p;
}

Reader::Pending Reader::Pending::set_cts(TimePoint due, bool on) {
  Pending p;
  p.due = due;
  p.action = Action::set_cts;
  p.cts = on;
  return p;
}

Reader::Answer Reader::nack_answer() { return {header_nack, {}, Tally{.nacks = 1}}; }

void Reader::receive(std::span<const std::uint8_t> bytes, const LineSettings& pc, TimePoint now) {
  advance(now);
  if (in_reset_ || !line_matches(pc, rate_)) {
    counters_.bytes_ignored += bytes.size();
    return;
  }
  for (const FrameAssembler::Body& body : assembler_.feed(bytes)) on_frame(body, now);
}

void Reader::on_frame(const FrameAssembler::Body& body, TimePoint now) {
  ++counters_.frames_received;
  if (!body.overlong && body.chars.empty()) {
    ++counters_.probes_received;
    answer(nack_answer(), true, now);
    return;
  }
  std::optional<DecodedFrame> decoded;
  if (!body.overlong) decoded = decode_frame_body(body.chars).frame;
  if (!decoded || (decoded->header != header_data && decoded->header != header_nack)) {
    ++counters_.bad_frames_received;
    answer(nack_answer(), false, now);
    return;
  }
  if (decoded->header == header_nack) {
    ++counters_.nacks_received;
    answer(last_answer_.value_or(nack_answer()), false, now);
    return;
  }
  on_command(decoded->bytes, now);
}

void Reader::record_command(const Bytes& command) {
  ++counters_.commands_received;
  counters_.last_command = command;
  counters_.recent_commands.push_back(command);
  if (counters_.recent_commands.size() > ReaderState::recent_limit) counters_.recent_commands.pop_front();
}

void Reader::on_command(const Bytes& command, TimePoint now) {
  record_command(command);
  if (faults_.nack_next > 0) {
    // Asking for the command again instead of running it, so it runs once when it comes again.
    --faults_.nack_next;
    answer(nack_answer(), false, now);
    return;
  }
  CommandResult result = commands_.execute(command);
  TimePoint reply_due = answer({header_data, result.reply_bytes(), Tally{.replies = 1}}, false, now);
  if (result.new_rate) {
    // After the reply, which is still sent at the old rate (equal times keep their order).
    schedule(Pending::set_rate(reply_due, *result.new_rate));
  }
}

TimePoint Reader::answer(Answer answer, bool is_probe, TimePoint now) {
  last_answer_ = answer;
  const bool spared = is_probe && !faults_.include_probe;
  // The reader handles one frame at a time: an answer never overtakes the one before it.
  TimePoint due = spared ? now : now + faults_.delay;
  if (last_answer_due_ && *last_answer_due_ > due) due = *last_answer_due_;
  if (spared) {
    last_answer_due_ = due;
    schedule(Pending::send(due, frame(answer.header, answer.bytes), answer.tally));
    return due;
  }
  if (faults_.drop_next > 0) {
    // Nothing goes out, so there is nothing for later answers to wait for.
    --faults_.drop_next;
    return due;
  }
  bool corrupt = faults_.corrupt_next > 0;
  if (corrupt) --faults_.corrupt_next;
  Pending send = Pending::send(due, {}, answer.tally);
  if (faults_.interleave_next > 0) {
    --faults_.interleave_next;
    send.bytes = event_frame(faults_.interleave_event);
    ++send.tally.events;
  }
  Bytes reply = frame(answer.header, answer.bytes, corrupt);
  send.bytes.insert(send.bytes.end(), reply.begin(), reply.end());
  last_answer_due_ = due;
  schedule(std::move(send));
  return due;
}

Bytes Reader::event_frame(CardEvent event) const {
  const std::uint8_t bytes[] = {0xFF, static_cast<std::uint8_t>(event), 0x00};
  return frame(header_data, bytes);
}

void Reader::send_event(CardEvent event, TimePoint now) {
  if (in_reset_) return;
  schedule(Pending::send(now, event_frame(event), Tally{.events = 1}));
}

void Reader::schedule(Pending pending) {
  // Keep the queue in time order, and in arrival order among equal times.
  auto at = pending_.end();
  while (at != pending_.begin() && std::prev(at)->due > pending.due) --at;
  pending_.insert(at, std::move(pending));
}

void Reader::set_dtr(bool on, TimePoint now) {
  advance(now);
  if (on == dtr_) return;
  dtr_ = on;
  if (!on) {
    enter_reset(now);
  } else {
    boot_done_ = now + config_.boot_time;
    advance(now);
  }
}

void Reader::power_cycle(TimePoint now) {
  set_dtr(false, now);
  set_dtr(true, now);
}

void Reader::enter_reset(TimePoint now) {
  ++counters_.resets;
  in_reset_ = true;
  boot_done_.reset();
  pending_.clear();
  assembler_.clear();
  last_answer_.reset();
  last_answer_due_.reset();
  commands_.reset();
  schedule(Pending::set_cts(now, true));
}

void Reader::finish_boot(TimePoint now) {
  boot_done_.reset();
  in_reset_ = false;
  rate_ = startup_rate;
  const std::uint8_t startup[] = {0xFF, 0x00, 0x01, *rate_code(config_.model, config_.rate)};
  schedule(Pending::send(now, frame(header_data, startup), Tally{.startups = 1}));
  schedule(Pending::set_rate(now, config_.rate));
  schedule(Pending::set_cts(now, false));
}

void Reader::advance(TimePoint now) {
  if (boot_done_ && dtr_ && *boot_done_ <= now) finish_boot(*boot_done_);
  while (!pending_.empty() && pending_.front().due <= now) {
    Pending item = std::move(pending_.front());
    pending_.pop_front();
    switch (item.action) {
      case Pending::Action::send:
        counters_.replies_sent += item.tally.replies;
        counters_.nacks_sent += item.tally.nacks;
        counters_.events_sent += item.tally.events;
        counters_.startups_sent += item.tally.startups;
        outbox_.push_back({LineOutput::Kind::bytes, std::move(item.bytes), rate_, false});
        break;
      case Pending::Action::set_rate:
        rate_ = item.rate;
        break;
      case Pending::Action::set_cts:
        if (cts_ != item.cts) outbox_.push_back({LineOutput::Kind::cts, {}, 0, item.cts});
        cts_ = item.cts;
        break;
    }
  }
}

std::optional<TimePoint> Reader::next_due() const {
  std::optional<TimePoint> due;
  if (!pending_.empty()) due = pending_.front().due;
  if (boot_done_ && dtr_ && (!due || *boot_done_ < *due)) due = boot_done_;
  return due;
}

std::vector<LineOutput> Reader::take_output() { return std::exchange(outbox_, {}); }

KeyboardAnswer Reader::keyboard_request(std::span<const std::uint8_t> message) {
  ++counters_.keyboard_requests;
  auto command = decode_keyboard_request(message);
  if (!command) return {};
  record_command(*command);
  if (faults_.nack_next > 0) {
    --faults_.nack_next;
    ++counters_.nacks_sent;
    return {encode_keyboard_reply(header_nack, {}), faults_.delay};
  }
  CommandResult result = commands_.execute(*command);
  // The keyboard port has no line rate; an accepted rate change only changes the serial line.
  if (result.new_rate) rate_ = *result.new_rate;
  if (faults_.drop_next > 0) {
    --faults_.drop_next;
    return {{}, faults_.delay};
  }
  bool corrupt = faults_.corrupt_next > 0;
  if (corrupt) --faults_.corrupt_next;
  ++counters_.replies_sent;
  return {encode_keyboard_reply(header_data, result.reply_bytes(), corrupt), faults_.delay};
}

void Reader::insert(std::unique_ptr<Card> card, TimePoint now) {
  remove(now);
  commands_.insert(std::move(card));
  send_event(CardEvent::inserted, now);
}

void Reader::remove(TimePoint now) {
  advance(now);
  auto card = commands_.remove();
  if (!card) return;
  card->save_memory();
  send_event(CardEvent::removed, now);
}

bool Reader::save_card_memory() {
  Card* card = commands_.card();
  return card && card->save_memory();
}

ReaderState Reader::state() const {
  ReaderState state = counters_;
  state.model = config_.model;
  state.rate = rate_;
  state.firmware = config_.firmware;
  state.dtr = dtr_;
  state.cts = cts_;
  state.booting = in_reset_;
  state.card_present = commands_.card() != nullptr;
  state.card_powered = commands_.card_powered();
  state.card_model = state.card_present ? commands_.card()->model() : "";
  state.selected_card_type = commands_.selected_card_type();
  state.module_powered = commands_.module_powered();
  state.faults = faults_;
  return state;
}

}  // namespace kitesim
