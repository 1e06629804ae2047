#include "elf_symbols.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace test_support {

std::set<std::string> exported_symbols(const char* path) {
  std::set<std::string> names;
  const int fd = ::open(path, O_RDONLY);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    return names;
  }
  void* map = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return names;
  const auto* base = static_cast<const uint8_t*>(map);
  const auto* header = reinterpret_cast<const Elf64_Ehdr*>(base);
  const auto* sections = reinterpret_cast<const Elf64_Shdr*>(base + header->e_shoff);
  for (int i = 0; i < header->e_shnum; ++i) {
    if (sections[i].sh_type != SHT_DYNSYM) continue;
    const auto* symbols = reinterpret_cast<const Elf64_Sym*>(base + sections[i].sh_offset);
    const char* strings = reinterpret_cast<const char*>(base + sections[sections[i].sh_link].sh_offset);
    const size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
    for (size_t s = 0; s < count; ++s) {
      const int type = ELF64_ST_TYPE(symbols[s].st_info);
      const int binding = ELF64_ST_BIND(symbols[s].st_info);
      if (symbols[s].st_shndx == SHN_UNDEF || binding == STB_LOCAL) continue;
      if (type == STT_FUNC || type == STT_OBJECT || type == STT_GNU_IFUNC) names.insert(strings + symbols[s].st_name);
    }
  }
  ::munmap(map, static_cast<size_t>(st.st_size));
  return names;
}

}  // namespace test_support
