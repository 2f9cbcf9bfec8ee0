// A library loaded at run time that allocates on request: proves that the
// allocation counter sees calls made from inside a dlopen'd library.
#include <cstdlib>

namespace {
int* volatile keptObject = nullptr;
void* volatile keptBlock = nullptr;
}  // namespace

extern "C" __attribute__((visibility("default"))) void cabkit_allocate_twice() {
    keptObject = new int(7);
    keptBlock = std::malloc(32);
    delete keptObject;
    std::free(keptBlock);
}
