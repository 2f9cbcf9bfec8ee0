// A file mapped into memory by two processes at once: the supervisor and its
// replay share the replay's record through it. Stores by one process are
// seen by the other without any call, and survive the writer's death.
#ifndef CABKIT_SIM_SHARED_MAPPING_H
#define CABKIT_SIM_SHARED_MAPPING_H

#include <cstddef>
#include <filesystem>

namespace cabkit::sim {

class SharedMapping {
public:
    enum class Mode { Create, Open };
    // Create: makes `path` (it must not exist) `size` bytes long, all zero.
    // Open: maps an existing file of at least `size` bytes. Throws
    // std::runtime_error when the file cannot be made or mapped.
    SharedMapping(const std::filesystem::path& path, std::size_t size, Mode mode);
    ~SharedMapping();
    SharedMapping(const SharedMapping&) = delete;
    SharedMapping& operator=(const SharedMapping&) = delete;

    void* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SHARED_MAPPING_H
