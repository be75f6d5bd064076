// The module's executable code on ELF systems: the executable PT_LOAD segment of the object
// that holds this very function.
#include <dlfcn.h>
#include <link.h>

#include <cstdint>

#include "platform/module.h"

namespace quillon::platform {
namespace {

struct Search {
    std::uintptr_t anchor;
    CodeRange found;
};

int VisitObject(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<Search*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
        const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
        if (search->anchor >= start && search->anchor < start + segment.p_memsz) {
            search->found = {reinterpret_cast<const std::uint8_t*>(start), segment.p_memsz};
            return 1;
        }
    }
    return 0;
}

}  // namespace

CodeRange ModuleCodeRange() {
    Search search{reinterpret_cast<std::uintptr_t>(&ModuleCodeRange), {}};
    dl_iterate_phdr(VisitObject, &search);
    return search.found;
}

}  // namespace quillon::platform
