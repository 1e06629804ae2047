// Scans the VELA1 card in the reader on COM1 with the utility's own core (the library binding and
// the VELA1 layer) and prints its life-cycle stage, its registers, its file table and its purse.
//
//   vela1_scan [reader-type]       reader type 255 (auto-detect) unless given
#include <cstdio>
#include <cstdlib>

#include "kiteb.h"
#include "vela1.h"

namespace {

const char* stage_name(char stage) {
  switch (stage) {
    case 'M': return "M (manufacture)";
    case 'P': return "P (personalization)";
    case 'U': return "U (user)";
    default: return "?";
  }
}

void print_card(const kestrel::Vela1Card& card) {
  std::printf("VELA1 card, stage %s\n", stage_name(card.stage));
  std::printf("  Option register %02X, security option register %02X\n", card.option_register,
              card.security_option_register);
  std::printf("  File   Record length  Records  Read  Write\n");
  for (int i = 0; i < card.file_count; ++i) {
    const kestrel::Vela1File& f = card.files[static_cast<size_t>(i)];
    std::printf("  %04X   %13d  %7d    %02X     %02X\n", f.identifier, f.record_length, f.number_of_records,
                f.read_attribute, f.write_attribute);
  }
  if (card.option_register & 0x01) {
    std::printf("  Purse: balance %d of at most %d, %d transactions\n", card.balance, card.maximum_balance,
                card.transaction_counter);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int reader_type = argc > 1 ? std::atoi(argv[1]) : QX_READER_AUTODETECT;
  kestrel::Kiteb binding;
  if (const int32_t opened = binding.open(reader_type, QX_PORT_COM1); opened < 0) {
    std::fprintf(stderr, "vela1_scan: cannot open the reader on COM1: error %d\n", opened);
    return 1;
  }
  kestrel::Vela1 vela1(binding);
  const int32_t scanned = vela1.scan();
  int status = 0;
  if (scanned == -1 && !vela1.is_vela1()) {
    std::fprintf(stderr, "vela1_scan: the cipher library %s cannot be loaded\n", kestrel::kCipherLibraryFile);
    status = 1;
  } else if (!vela1.is_vela1()) {
    std::fprintf(stderr, "vela1_scan: the card is not a VELA1 card (session start: %d)\n", scanned);
    status = 1;
  } else {
    print_card(vela1.card());
  }
  binding.end_session();
  binding.close();
  return status;
}
