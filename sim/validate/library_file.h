// What a plug-in library says about itself, read from the file's bytes
// without loading it: the format (ELF or PE), the machine and width, the
// names it exports and, for a DLL, the DLLs it imports. Reading never runs
// any of the library's code, so it is safe on any file on any system.
#ifndef CABKIT_SIM_VALIDATE_LIBRARY_FILE_H
#define CABKIT_SIM_VALIDATE_LIBRARY_FILE_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cabkit::sim::validate {

struct LibraryFile {
    enum class Format { Elf, Pe };
    Format format = Format::Elf;
    int32_t bits = 0;     // 32 or 64
    std::string machine;  // "x86-64", "i386", "aarch64", ... or "machine 0x1234"
    bool isX86 = false;   // i386 or x86-64: a machine this host family runs
    std::vector<std::string> exports;
    std::vector<std::string> imports;  // DLL names (PE) or needed libraries (ELF)
};

// The file read, or nullopt with the reason in `error` when it is no
// library of either format, or is cut short.
std::optional<LibraryFile> readLibraryFile(const std::filesystem::path& file, std::string& error);

// The format and width of the running simhost, to compare a file with.
LibraryFile::Format hostFormat();
int32_t hostBits();

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_LIBRARY_FILE_H
