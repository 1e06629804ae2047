// pelorus dump, restore and diff: memory cards as raw images.
#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"
#include "difference_print.h"
#include "failure.h"
#include "image_file.h"
#include "memory_card.h"
#include "progress.h"

namespace pelorus {
namespace {

struct MemoryOptions {
  ReaderChoice reader;
  std::string card;
  std::string code;
  bool quiet = false;
};

MemoryLayout layout_option(const std::string& card) {
  auto layout = memory_layout(card);
  if (auto* why = std::get_if<std::string>(&layout)) throw Failure(kExitUsage, *why);
  return std::get<MemoryLayout>(std::move(layout));
}

std::optional<Bytes> code_option(const std::string& text) {
  if (text.empty()) return std::nullopt;
  auto code = parse_hex(text);
  if (!code || code->empty()) throw Failure(kExitUsage, "--verify takes the code in hex: " + text);
  return code;
}

void add_memory_options(CLI::App& command, MemoryOptions& options, bool card_required) {
  add_reader_options(command, options.reader);
  auto* card = command.add_option("--card", options.card, "the chip (SLE4442, AT24C16, X76F100 ...) or a card type whose chips all have one size");
  if (card_required) card->required();
  command.add_option("--verify", options.code,
                     "the code or password in hex, presented before reading (and writing): 3 bytes for LM104, LM221, "
                     "ST1335, ST1333, LM2KS; 2 for SLE4404, GPM896, AT101, AT102, AT1604, LM8KS; 8 for the X76F cards");
  command.add_flag("-q,--quiet", options.quiet, "no progress bar");
}

Bytes read_card(MemoryCard& card, bool quiet, const char* label) {
  Progress progress(label, card.layout().size(), quiet);
  return card.read(progress);
}

int run_dump(const MemoryOptions& options, const std::string& output) {
  MemoryLayout layout = layout_option(options.card);
  const auto code = code_option(options.code);
  const Reader reader(options.reader);
  MemoryCard card(reader, std::move(layout), code);
  write_image(output, read_card(card, options.quiet, "reading"));
  if (output != "-") std::cerr << "wrote " << card.layout().size() << " bytes of " << card.layout().chip << " to " << output << '\n';
  return kExitOk;
}

int run_restore(const MemoryOptions& options, const std::string& file) {
  MemoryLayout layout = layout_option(options.card);
  const auto code = code_option(options.code);
  const Bytes image = read_image(file);
  if (image.size() != layout.size())
    throw Failure(kExitUsage, file + " holds " + std::to_string(image.size()) + " bytes; the memory of " + layout.chip + " is " +
                                  std::to_string(layout.size()));
  const Reader reader(options.reader);
  MemoryCard card(reader, std::move(layout), code);
  const Bytes before = read_card(card, options.quiet, "reading");
  const auto runs = differences(image, before, card.granularity());
  std::size_t changed = 0;
  for (const Difference& run : runs) changed += run.length;
  if (runs.empty()) {
    std::cout << "the card already holds " << file << ": nothing written\n";
    return kExitOk;
  }
  {
    Progress progress("writing", changed, options.quiet);
    for (const Difference& run : runs)
      card.write(run.offset, std::span(image).subspan(run.offset, run.length), progress);
  }
  std::cout << "wrote " << changed << " bytes in " << runs.size() << (runs.size() == 1 ? " range\n" : " ranges\n");
  const Bytes after = read_card(card, options.quiet, "verifying");
  const auto left = differences(image, after);
  if (left.empty()) {
    std::cout << "read back: the card holds " << file << '\n';
    return kExitOk;
  }
  std::cout << "read back: the card differs from " << file << " (image | card):\n";
  print_differences(std::cout, left, image, after, &card.layout());
  return kExitMismatch;
}

int run_diff(const MemoryOptions& options, const std::string& first, const std::string& second) {
  const Bytes a = read_image(first);
  Bytes b;
  std::optional<MemoryLayout> layout;
  if (!options.card.empty()) layout = layout_option(options.card);
  if (!second.empty()) {
    b = read_image(second);
  } else {
    if (!layout) throw Failure(kExitUsage, "diff with one image compares it with the card: give --card");
    const Reader reader(options.reader);
    MemoryCard card(reader, *layout, code_option(options.code));
    b = read_card(card, options.quiet, "reading");
  }
  const std::string b_name = second.empty() ? "the card" : second;
  const auto runs = differences(a, b);
  if (layout && (a.size() != layout->size() || b.size() != layout->size())) layout.reset();  // offsets then
  if (runs.empty() && a.size() == b.size()) {
    std::cout << first << " and " << b_name << " are the same (" << a.size() << " bytes)\n";
    return kExitOk;
  }
  std::cout << "--- " << first << "\n+++ " << b_name << '\n';
  print_differences(std::cout, runs, a, b, layout ? &*layout : nullptr);
  std::size_t count = 0;
  for (const Difference& run : runs) count += run.length;
  std::cout << count << " bytes differ in " << runs.size() << (runs.size() == 1 ? " range" : " ranges") << '\n';
  if (a.size() != b.size()) std::cout << "sizes differ: " << a.size() << " and " << b.size() << " bytes\n";
  return kExitMismatch;
}

}  // namespace

void add_dump_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("dump", "Read a memory card's whole memory into a raw image");
  auto options = std::make_shared<MemoryOptions>();
  auto output = std::make_shared<std::string>("-");
  add_memory_options(*command, *options, true);
  command->add_option("-o,--output", *output, "the image file, written whole or not at all; - for standard output")->capture_default_str();
  command->callback([options, output, &status] { status = run_dump(*options, *output); });
}

void add_restore_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "restore", "Write an image back to a memory card: only the bytes that differ, then read back and compare");
  auto options = std::make_shared<MemoryOptions>();
  auto file = std::make_shared<std::string>();
  add_memory_options(*command, *options, true);
  command->add_option("FILE", *file, "the image, as dump wrote it")->required();
  command->callback([options, file, &status] { status = run_restore(*options, *file); });
}

void add_diff_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "diff", "Byte differences of two images, or of an image and the card (with --card), as address ranges; exit 1 when they differ");
  auto options = std::make_shared<MemoryOptions>();
  auto first = std::make_shared<std::string>();
  auto second = std::make_shared<std::string>();
  add_memory_options(*command, *options, false);
  command->add_option("A", *first, "an image")->required();
  command->add_option("B", *second, "another image; without it the card is read");
  command->callback([options, first, second, &status] { status = run_diff(*options, *first, *second); });
}

}  // namespace pelorus
