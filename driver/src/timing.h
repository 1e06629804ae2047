// Every fixed delay and time-out of the library, scaled together by PELORUS32_TIME_SCALE so that
// tests against the emulator can run the protocol faster than a real reader needs.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace pelorus::timing {

using std::chrono::milliseconds;

// The protocol's delays at their real values.
inline constexpr milliseconds kListenerSettle{2000};  // QX_Open waits this long before the listener runs
inline constexpr milliseconds kReplyWait{1000};       // one wait for a reply frame
inline constexpr milliseconds kWriteWait{1000};       // one wait for a frame write to complete
inline constexpr milliseconds kDtrLow{1};             // DTR pulse: DTR off this long,
inline constexpr milliseconds kDtrHigh{18};           // then on this long,
inline constexpr milliseconds kResetSettle{2000};     // then the reader boots this long
inline constexpr milliseconds kCtsPollInterval{10};
inline constexpr int kCtsPolls = 180;

// Parses a scale factor; nullopt for anything that is not a positive finite number.
std::optional<double> parse_scale(std::string_view text);

// The factor in force: PELORUS32_TIME_SCALE read once, 1 when unset or invalid.
double scale();

// A delay of the protocol as it applies now; a non-zero delay never scales below 1 µs.
std::chrono::microseconds scaled(milliseconds delay);

void sleep(milliseconds delay);

}  // namespace pelorus::timing
