// A frame must not reach the heap: an allocation in Elapse costs far more
// than the frame itself and, in a long run, fragments the host's heap. Every
// plug-in in its busy steady state allocates nothing per frame.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "allocation_counter.h"
#include "steady_states.h"

namespace cabkit::test {
namespace {

using sim::validate::allocationsDuring;

using bench::Rig;
using bench::SteadyState;

TEST(AllocationCounter, SeesThisExecutableAndLibrariesLoadedAtRunTime) {
    // Kept through volatile pointers, so the compiler cannot pair the
    // allocation with its release and drop both.
    static int* volatile object = nullptr;
    static void* volatile block = nullptr;
    EXPECT_EQ(allocationsDuring([] {
                  object = new int(1);
                  block = std::malloc(64);
              }),
              2U);
    delete object;
    std::free(block);

    void* library = dlopen(CABKIT_ALLOCATING_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto* allocateTwice = reinterpret_cast<void (*)()>(dlsym(library, "cabkit_allocate_twice"));
    ASSERT_NE(allocateTwice, nullptr);
    EXPECT_EQ(allocationsDuring(allocateTwice), 2U);
    dlclose(library);
}

class SteadyStateFrames : public ::testing::TestWithParam<SteadyState> {};

TEST_P(SteadyStateFrames, AllocateNothing) {
    Rig rig(GetParam());
    // Three route segments: the long frame and the beacons that rearm the
    // controller at each segment's end are part of the steady state.
    constexpr int32_t kFrames = 3 * Rig::kSegmentFrames;
    int32_t allocatingFrames = 0;
    int32_t firstAllocatingFrame = -1;
    uint64_t total = 0;
    for (int32_t frame = 0; frame < kFrames; ++frame) {
        const uint64_t count = allocationsDuring([&rig] { rig.frame(); });
        if (count != 0) {
            ++allocatingFrames;
            total += count;
            if (firstAllocatingFrame < 0) {
                firstAllocatingFrame = frame;
            }
        }
    }
    EXPECT_EQ(total, 0U) << allocatingFrames << " of " << kFrames << " frames allocated, the first at frame "
                         << firstAllocatingFrame;
}

INSTANTIATE_TEST_SUITE_P(Plugins, SteadyStateFrames, ::testing::ValuesIn(bench::kSteadyStates),
                         [](const ::testing::TestParamInfo<SteadyState>& param) {
                             return std::string(bench::steadyStateName(param.param));
                         });

}  // namespace
}  // namespace cabkit::test
