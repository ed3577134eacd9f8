#include "stack_fix.h"

#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "windows_env.h"

namespace winejvm {
namespace {

using GetAttr = int (*)(pthread_t, pthread_attr_t*);
GetAttr real_getattr = nullptr;

struct Range {
  char* low;
  char* high;
  bool contains(const void* address) const {
    return static_cast<const char*>(address) >= low && static_cast<const char*>(address) < high;
  }
};

// The whole reserved stack of the calling Windows thread: from its TEB's DeallocationStack
// up to StackBase.
Range windows_stack() {
  char* teb = nullptr;
#if defined(__x86_64__)
  __asm__ volatile("movq %%gs:0x30, %0" : "=r"(teb));
  constexpr std::size_t stack_base = 0x8, deallocation_stack = 0x1478;
#else
  __asm__ volatile("movl %%fs:0x18, %0" : "=r"(teb));
  constexpr std::size_t stack_base = 0x4, deallocation_stack = 0xe0c;
#endif
  return {*reinterpret_cast<char**>(teb + deallocation_stack), *reinterpret_cast<char**>(teb + stack_base)};
}

int getattr_seeing_windows_stack(pthread_t thread, pthread_attr_t* attr) {
  const int status = real_getattr(thread, attr);
  if (status != 0 || !pthread_equal(thread, pthread_self()) || !is_windows_thread()) return status;
  void* low = nullptr;
  std::size_t size = 0;
  pthread_attr_getstack(attr, &low, &size);
  const void* here = __builtin_frame_address(0);
  if (Range{static_cast<char*>(low), static_cast<char*>(low) + size}.contains(here)) return status;
  const Range stack = windows_stack();
  if (stack.contains(here)) pthread_attr_setstack(attr, stack.low, stack.high - stack.low);
  return status;
}

#if defined(__x86_64__)
std::size_t symbol_index(ElfW(Xword) info) { return ELF64_R_SYM(info); }
#else
std::size_t symbol_index(ElfW(Word) info) { return ELF32_R_SYM(info); }
#endif

// What the patch needs from one loaded object's dynamic section.
struct DynamicTables {
  const ElfW(Sym) * symbols = nullptr;
  const char* names = nullptr;
  const ElfW(Rela) * rela = nullptr;
  std::size_t rela_size = 0;
  const ElfW(Rel) * rel = nullptr;
  std::size_t rel_size = 0;
  const void* plt = nullptr;
  std::size_t plt_size = 0;
  bool plt_is_rela = false;
};

class SlotPatcher {
 public:
  SlotPatcher(ElfW(Addr) base, Range relro, const DynamicTables& tables, const char* symbol, void* replacement)
      : base_(base), relro_(relro), tables_(tables), symbol_(symbol), replacement_(replacement) {}

  template <typename Relocation>
  void patch(const Relocation* table, std::size_t bytes) {
    for (std::size_t i = 0; table && i < bytes / sizeof(Relocation); ++i) {
      const std::size_t symbol = symbol_index(table[i].r_info);
      if (symbol == 0 || std::strcmp(tables_.names + tables_.symbols[symbol].st_name, symbol_) != 0) continue;
      write(reinterpret_cast<void**>(base_ + table[i].r_offset));
    }
  }

  int patched() const { return patched_; }

 private:
  // Slots inside the RELRO segment were made read-only after relocation; they are opened
  // for the write and closed again, and other slots are left as they were.
  void write(void** slot) {
    const bool read_only = relro_.contains(slot);
    char* page = reinterpret_cast<char*>(reinterpret_cast<ElfW(Addr)>(slot) & ~(page_size() - 1));
    if (read_only && mprotect(page, page_size(), PROT_READ | PROT_WRITE) != 0) return;
    *slot = replacement_;
    if (read_only) mprotect(page, page_size(), PROT_READ);
    ++patched_;
  }

  static ElfW(Addr) page_size() { return static_cast<ElfW(Addr)>(sysconf(_SC_PAGESIZE)); }

  ElfW(Addr) base_;
  Range relro_;
  const DynamicTables& tables_;
  const char* symbol_;
  void* replacement_;
  int patched_ = 0;
};

// glibc relocates the addresses in the dynamic section on x86, but not everywhere.
template <typename T>
const T* address_in(ElfW(Addr) base, ElfW(Addr) value) {
  return reinterpret_cast<const T*>(value < base ? value + base : value);
}

DynamicTables read_dynamic(ElfW(Addr) base, const ElfW(Dyn) * entry) {
  DynamicTables tables;
  for (; entry->d_tag != DT_NULL; ++entry) {
    const ElfW(Addr) value = entry->d_un.d_ptr;
    switch (entry->d_tag) {
      case DT_SYMTAB:
        tables.symbols = address_in<ElfW(Sym)>(base, value);
        break;
      case DT_STRTAB:
        tables.names = address_in<char>(base, value);
        break;
      case DT_RELA:
        tables.rela = address_in<ElfW(Rela)>(base, value);
        break;
      case DT_RELASZ:
        tables.rela_size = entry->d_un.d_val;
        break;
      case DT_REL:
        tables.rel = address_in<ElfW(Rel)>(base, value);
        break;
      case DT_RELSZ:
        tables.rel_size = entry->d_un.d_val;
        break;
      case DT_JMPREL:
        tables.plt = address_in<char>(base, value);
        break;
      case DT_PLTRELSZ:
        tables.plt_size = entry->d_un.d_val;
        break;
      case DT_PLTREL:
        tables.plt_is_rela = entry->d_un.d_val == DT_RELA;
        break;
    }
  }
  return tables;
}

struct PatchRequest {
  const char* library;
  const char* symbol;
  void* replacement;
  int patched;
};

int patch_loaded_object(dl_phdr_info* info, std::size_t, void* data) {
  auto* request = static_cast<PatchRequest*>(data);
  if (!info->dlpi_name || !std::strstr(info->dlpi_name, request->library)) return 0;
  const ElfW(Addr) base = info->dlpi_addr;
  const ElfW(Dyn)* dynamic = nullptr;
  Range relro{nullptr, nullptr};
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    char* start = reinterpret_cast<char*>(base + header.p_vaddr);
    if (header.p_type == PT_DYNAMIC) dynamic = reinterpret_cast<const ElfW(Dyn)*>(start);
    if (header.p_type == PT_GNU_RELRO) relro = {start, start + header.p_memsz};
  }
  if (!dynamic) return 1;
  const DynamicTables tables = read_dynamic(base, dynamic);
  if (!tables.symbols || !tables.names) return 1;
  SlotPatcher patcher(base, relro, tables, request->symbol, request->replacement);
  patcher.patch(tables.rela, tables.rela_size);
  patcher.patch(tables.rel, tables.rel_size);
  if (tables.plt_is_rela) {
    patcher.patch(static_cast<const ElfW(Rela)*>(tables.plt), tables.plt_size);
  } else {
    patcher.patch(static_cast<const ElfW(Rel)*>(tables.plt), tables.plt_size);
  }
  request->patched = patcher.patched();
  return 1;
}

}  // namespace

int install_stack_fix() {
  real_getattr = reinterpret_cast<GetAttr>(dlsym(RTLD_DEFAULT, "pthread_getattr_np"));
  if (!real_getattr) return 0;
  PatchRequest request{"libjvm.so", "pthread_getattr_np", reinterpret_cast<void*>(&getattr_seeing_windows_stack), 0};
  dl_iterate_phdr(patch_loaded_object, &request);
  return request.patched;
}

}  // namespace winejvm
