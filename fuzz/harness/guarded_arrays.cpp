#include "guarded_arrays.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "address_sanitizer.h"

#ifdef CABKIT_FUZZ_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace cabkit::fuzz {

GuardedSlots::GuardedSlots(std::size_t slots) : count_(slots) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t arrayBytes = slots * sizeof(int32_t);
    const std::size_t dataPages = (arrayBytes + page - 1) / page + 1;  // at least one page in front
    mappingBytes_ = (dataPages + 1) * page;
    mapping_ = mmap(nullptr, mappingBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) {
        std::perror("mmap");
        std::abort();
    }
    auto* base = static_cast<unsigned char*>(mapping_);
    unsigned char* guard = base + dataPages * page;
    if (mprotect(guard, page, PROT_NONE) != 0) {
        std::perror("mprotect");
        std::abort();
    }
    slots_ = reinterpret_cast<int32_t*>(guard - arrayBytes);
    poisonedBytes_ = dataPages * page - arrayBytes;
    std::memset(base, 0xA5, poisonedBytes_);
#ifdef CABKIT_FUZZ_ASAN
    ASAN_POISON_MEMORY_REGION(base, poisonedBytes_);
#endif
}

GuardedSlots::~GuardedSlots() {
#ifdef CABKIT_FUZZ_ASAN
    ASAN_UNPOISON_MEMORY_REGION(mapping_, poisonedBytes_);
#endif
    munmap(mapping_, mappingBytes_);
}

void ArraySnapshot::take(const GuardedHostArrays& arrays) {
    std::memcpy(panel.data(), arrays.panel.data(), sizeof(panel));
    std::memcpy(sound.data(), arrays.sound.data(), sizeof(sound));
}

}  // namespace cabkit::fuzz
