// Demo memory cards: a card of a model as an issuer would hand it out, with content, codes and
// passwords to try Kestrel on. Each is a new card personalised through its own commands.
#pragma once

#include <memory>

#include "kitesim/card.h"

namespace kitesim {

// SLE4442 type (lm2ks): security code 12 34 56; an identification of 8 write-protected bytes at 0,
// a text at 32.
std::unique_ptr<Card> make_demo_sle4442(const CardOptions& options);
// SLE4436 type (lm221): a counter of 5349 units, an identification at 0, authentication keys.
std::unique_ptr<Card> make_demo_counter(const CardOptions& options);
// X76F100: read password "read-pw!", write password "write-pw", a text in its 112 bytes.
std::unique_ptr<Card> make_demo_x76f100(const CardOptions& options);

}  // namespace kitesim
