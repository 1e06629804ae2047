#include "exchange_print.h"

#include <algorithm>

#include "command_apdu.h"
#include "failure.h"
#include "script.h"
#include "status_words.h"

namespace pelorus {

Bytes exchange_and_print(const Session& session, std::span<const std::uint8_t> command, std::ostream& out) {
  auto split = split_apdu(command);
  if (auto* why = std::get_if<std::string>(&split)) throw Failure(kExitUsage, hex_text(command) + ": " + *why);
  QX_APDU& apdu = std::get<QX_APDU>(split);
  out << "> " << hex_text(command) << '\n' << std::flush;
  const std::int32_t result = session.exchange(apdu);
  if (result != 0) throw library_failure("sending the APDU", result);
  Bytes answer(apdu.DataOut, apdu.DataOut + std::clamp(apdu.Le, 0, QX_DATA_SIZE));
  answer.push_back(static_cast<std::uint8_t>(apdu.Status >> 8));
  answer.push_back(static_cast<std::uint8_t>(apdu.Status & 0xFF));
  out << "< " << scriptor_answer_text(answer) << " : " << status_meaning(apdu.Status) << '\n' << std::flush;
  return answer;
}

void reset_and_print(Session& session, std::ostream& out) {
  out << "> RESET\n" << std::flush;
  session.restart();
  const QX_SESSION& record = session.record();
  out << "< OK: " << hex_text({record.ATR, record.ATRLen}) << '\n' << std::flush;
}

}  // namespace pelorus
