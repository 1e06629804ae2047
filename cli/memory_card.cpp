#include "memory_card.h"

#include <algorithm>

#include "card_types.h"
#include "failure.h"
#include "progress.h"

namespace pelorus {
namespace {

constexpr std::int32_t kReadPiece = 128;  // the reader answers at most 255 data bytes
constexpr std::int32_t kWritePiece = 32;  // and never across a 32-byte page of the chip

// How a card type takes its code, and how its answer says whether the code was right.
enum class CodeForm { none, three_byte, selected, plain, x76f041, x76f_arrays, x76f100 };

CodeForm code_form(std::uint8_t card_type) {
  switch (card_type) {
    case QX_CARD_LM104:
    case QX_CARD_LM221:
    case QX_CARD_ST1335:
    case QX_CARD_ST1333: return CodeForm::three_byte;
    case QX_CARD_SLE4404:
    case QX_CARD_GPM896:
    case QX_CARD_AT101:
    case QX_CARD_AT102:
    case QX_CARD_AT1604: return CodeForm::selected;
    case QX_CARD_LM8KS:
    case QX_CARD_LM2KS: return CodeForm::plain;
    case QX_CARD_X76F041: return CodeForm::x76f041;
    case QX_CARD_X76F128:
    case QX_CARD_X76F640: return CodeForm::x76f_arrays;
    case QX_CARD_X76F100: return CodeForm::x76f100;
    default: return CodeForm::none;
  }
}

std::size_t code_length(std::uint8_t card_type) {
  switch (code_form(card_type)) {
    case CodeForm::three_byte: return 3;
    case CodeForm::selected: return 2;
    case CodeForm::plain: return card_type == QX_CARD_LM2KS ? 3 : 2;
    case CodeForm::none: return 0;
    default: return 8;
  }
}

bool has_fuse_pin(std::uint8_t card_type) { return code_form(card_type) == CodeForm::selected; }

bool word_addressed(std::uint8_t card_type) { return card_type == QX_CARD_LM256 || card_type == QX_CARD_LM4KP; }

// The X76F128 and X76F640 keep array 1 at 8000: the top bit of P1 picks the array.
bool has_second_array(const MemoryLayout& layout) {
  return std::any_of(layout.segments.begin(), layout.segments.end(), [](const Segment& s) { return s.address >= 0x8000; });
}

int bits_set(std::uint8_t value) { return __builtin_popcount(value); }

}  // namespace

MemoryCard::MemoryCard(const Reader& reader, MemoryLayout layout, std::optional<Bytes> code)
    : layout_(std::move(layout)), code_(std::move(code)), session_(reader, layout_.card_type) {
  const std::uint8_t type = layout_.card_type;
  if (code_ && code_form(type) == CodeForm::none)
    throw Failure(kExitUsage, "card type " + card_type_name(type) + " has no code: leave out --verify");
  if (code_ && code_->size() != code_length(type))
    throw Failure(kExitUsage, "the code of card type " + card_type_name(type) + " is " + std::to_string(code_length(type)) + " bytes");
  // The code-protected cards take their fuse pin high before anything is read.
  if (has_fuse_pin(type)) {
    QX_APDU fuse{};
    fuse.INS = QXI_SetFuse;
    fuse.P1 = 1;
    exchange(fuse, "setting the fuse pin");
  }
  if (!code_) return;
  switch (code_form(type)) {
    case CodeForm::x76f041:
    case CodeForm::x76f100: verify(1); break;  // the read password
    case CodeForm::x76f_arrays:
      verify(0);
      if (has_second_array(layout_)) verify(1);
      break;
    default: verify(0); break;  // the one code, which opens writes; reads need none
  }
}

void MemoryCard::prepare_writes() {
  if (writes_prepared_ || !code_) return;
  writes_prepared_ = true;
  switch (code_form(layout_.card_type)) {
    case CodeForm::x76f041:
    case CodeForm::x76f100: verify(0); break;  // the write password
    case CodeForm::x76f_arrays:
      verify(2);
      if (has_second_array(layout_)) verify(3);
      break;
    default: break;  // presented at the start
  }
}

std::size_t MemoryCard::granularity() const { return word_addressed(layout_.card_type) ? 2 : 1; }

void MemoryCard::verify(std::uint8_t p1) {
  QX_APDU apdu{};
  apdu.INS = QXI_Verify;
  apdu.P1 = p1;
  apdu.Lc = static_cast<std::int32_t>(code_->size());
  std::copy(code_->begin(), code_->end(), apdu.DataIn);
  exchange(apdu, "presenting the code");
  // These cards accept a wrong code with success and say so in their error counter.
  const CodeForm form = code_form(layout_.card_type);
  if (form != CodeForm::selected && form != CodeForm::plain) return;
  const std::uint8_t accepted = form == CodeForm::selected ? 0xFF : 0x07;
  if (apdu.Le < 1) throw Failure(kExitLibrary, "presenting the code: the card did not answer with its error counter");
  const std::uint8_t counter = apdu.DataOut[0];
  if (counter != accepted) {
    const int chances = bits_set(form == CodeForm::selected ? counter & 0x0F : counter);
    throw Failure(kExitLibrary, "presenting the code: the card refused it, " + std::to_string(chances) + " chances left");
  }
}

void MemoryCard::exchange(QX_APDU& apdu, const std::string& doing) {
  const std::int32_t result = session_.exchange(apdu);
  if (result != 0) throw library_failure(doing, result);
}

std::uint8_t MemoryCard::access_p1(std::int32_t address) const {
  auto p1 = static_cast<std::uint8_t>(address >> 8);
  // With its passwords the X76F041 is read and written through the protected commands.
  if (layout_.card_type == QX_CARD_X76F041 && code_) p1 |= 0x80;
  return p1;
}

Bytes MemoryCard::read(Progress& progress) {
  Bytes image;
  image.reserve(layout_.size());
  for (const Segment& segment : layout_.segments) {
    for (std::int32_t done = 0; done < segment.size; done += kReadPiece) {
      const std::int32_t address = segment.address + done;
      const std::int32_t count = std::min(kReadPiece, segment.size - done);
      QX_APDU apdu{};
      apdu.INS = QXI_Read;
      apdu.P1 = access_p1(address);
      apdu.P2 = static_cast<std::uint8_t>(address & 0xFF);
      apdu.Le = count;
      exchange(apdu, "reading " + std::to_string(count) + " bytes at " + hex_number(static_cast<std::uint32_t>(address), 4));
      if (apdu.Le != count)
        throw Failure(kExitLibrary, "reading at " + hex_number(static_cast<std::uint32_t>(address), 4) + ": the card answered " +
                                        std::to_string(apdu.Le) + " bytes instead of " + std::to_string(count));
      image.insert(image.end(), apdu.DataOut, apdu.DataOut + count);
      progress.advance(static_cast<std::size_t>(count));
    }
  }
  return image;
}

void MemoryCard::write(std::size_t offset, std::span<const std::uint8_t> bytes, Progress& progress) {
  prepare_writes();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::int32_t address = layout_.address_of(offset + done);
    // A piece ends at the page's end, the bytes' end, or where the segment ends.
    std::size_t count = std::min<std::size_t>(kWritePiece - (address % kWritePiece), bytes.size() - done);
    for (std::size_t i = 1; i < count; ++i) {
      if (layout_.address_of(offset + done + i) != address + static_cast<std::int32_t>(i)) {
        count = i;
        break;
      }
    }
    QX_APDU apdu{};
    apdu.INS = QXI_Write;
    apdu.P1 = access_p1(address);
    apdu.P2 = static_cast<std::uint8_t>(address & 0xFF);
    apdu.Lc = static_cast<std::int32_t>(count);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), count, apdu.DataIn);
    exchange(apdu, "writing " + std::to_string(count) + " bytes at " + hex_number(static_cast<std::uint32_t>(address), 4));
    done += count;
    progress.advance(count);
  }
}

}  // namespace pelorus
