// Opening a shared library and finding its exports by name, the way the
// simulator does: the system's own loader, nothing linked in. One
// implementation per system (dlopen, LoadLibraryW) behind one interface.
#ifndef CABKIT_SIM_LIBRARY_LOADER_H
#define CABKIT_SIM_LIBRARY_LOADER_H

#include <filesystem>
#include <string>

namespace cabkit::sim {

class SharedLibrary {
public:
    // File name extension of a plug-in on this system: ".so" or ".dll".
    static const char* const kExtension;

    SharedLibrary() = default;
    ~SharedLibrary() { close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads `file`, resolving everything it imports now. False, with the
    // loader's reason in `error`, when it cannot; nothing is then open.
    bool open(const std::filesystem::path& file, std::string& error);
    // The address of export `name`; nullptr when the library has none.
    void* symbol(const char* name) const;
    // Unloads the library; the addresses it gave become invalid. Idempotent.
    void close();

private:
    void* handle_ = nullptr;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_LIBRARY_LOADER_H
