#include "library_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

namespace cabkit::sim::validate {
namespace {

// No plug-in comes near this; a bigger file is not read whole.
constexpr std::uintmax_t kLargestFile = 512U << 20U;

// ELF section types.
constexpr uint32_t kDynamicSymbols = 11;
constexpr uint32_t kDynamicSection = 6;

// Bounds-checked little-endian reads: every offset comes from the file.
class Bytes {
public:
    explicit Bytes(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

    bool has(uint64_t offset, uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    uint64_t get(uint64_t offset, unsigned width) const {
        if (!has(offset, width)) throw std::out_of_range("cut short");
        uint64_t value = 0;
        for (unsigned i = width; i > 0; --i) value = (value << 8U) | bytes_[offset + i - 1];
        return value;
    }
    uint16_t u16(uint64_t offset) const { return static_cast<uint16_t>(get(offset, 2)); }
    uint32_t u32(uint64_t offset) const { return static_cast<uint32_t>(get(offset, 4)); }
    uint64_t u64(uint64_t offset) const { return get(offset, 8); }
    // A NUL-ended name at `offset`, at most 4 KiB long.
    std::string text(uint64_t offset) const {
        std::string name;
        for (uint64_t i = offset; i < bytes_.size() && name.size() < 4096; ++i) {
            if (bytes_[i] == 0) return name;
            name.push_back(static_cast<char>(bytes_[i]));
        }
        throw std::out_of_range("cut short");
    }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<unsigned char> bytes_;
};

std::string machineName(bool elf, uint32_t machine, bool& isX86) {
    const uint32_t i386 = elf ? 3 : 0x14c;
    const uint32_t amd64 = elf ? 62 : 0x8664;
    isX86 = machine == i386 || machine == amd64;
    if (machine == i386) return "i386";
    if (machine == amd64) return "x86-64";
    if ((elf && machine == 183) || (!elf && machine == 0xaa64)) return "aarch64";
    if ((elf && machine == 40) || (!elf && (machine == 0x1c0 || machine == 0x1c4))) return "arm";
    return fmt::format("machine {:#x}", machine);
}

LibraryFile readElf(const Bytes& file) {
    LibraryFile library;
    library.format = LibraryFile::Format::Elf;
    const uint64_t elfClass = file.get(4, 1);
    if (elfClass != 1 && elfClass != 2) throw std::runtime_error("an ELF file of no known class");
    if (file.get(5, 1) != 1) throw std::runtime_error("a big-endian ELF file");
    const bool wide = elfClass == 2;
    library.bits = wide ? 64 : 32;
    library.machine = machineName(true, file.u16(18), library.isX86);
    if (file.u16(16) != 3) throw std::runtime_error("an ELF file that is no shared library");
    const auto word = [&](uint64_t offset) { return wide ? file.u64(offset) : file.u32(offset); };
    // Every segment the loader maps must lie in the file.
    const uint64_t programHeaders = word(wide ? 32 : 28);
    const uint16_t programEntry = file.u16(wide ? 54 : 42);
    const uint16_t programCount = file.u16(wide ? 56 : 44);
    for (uint16_t i = 0; i < programCount; ++i) {
        const uint64_t header = programHeaders + uint64_t{i} * programEntry;
        const uint64_t offset = word(header + (wide ? 8 : 4));
        const uint64_t size = word(header + (wide ? 32 : 16));
        if (!file.has(offset, size)) throw std::out_of_range("cut short");
    }
    const uint64_t sections = word(wide ? 40 : 32);
    const uint16_t sectionEntry = file.u16(wide ? 58 : 46);
    const uint16_t sectionCount = file.u16(wide ? 60 : 48);
    const auto section = [&](uint64_t index) { return sections + index * sectionEntry; };
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint64_t header = section(i);
        const uint32_t sectionType = file.u32(header + 4);
        const uint64_t offset = word(header + (wide ? 24 : 16));
        const uint64_t size = word(header + (wide ? 32 : 20));
        const uint32_t link = file.u32(header + (wide ? 40 : 24));
        const uint64_t strings = word(section(link) + (wide ? 24 : 16));
        if (sectionType == kDynamicSymbols) {  // what the library exports
            const uint64_t entry = wide ? 24 : 16;
            for (uint64_t symbol = offset + entry; symbol + entry <= offset + size; symbol += entry) {
                const uint64_t info = file.get(symbol + (wide ? 4 : 12), 1);
                const uint16_t index = file.u16(symbol + (wide ? 6 : 14));
                const uint64_t binding = info >> 4U;
                if (index != 0 && (binding == 1 || binding == 2)) {
                    library.exports.push_back(file.text(strings + file.u32(symbol)));
                }
            }
        } else if (sectionType == kDynamicSection) {  // the libraries it needs
            const uint64_t entry = wide ? 16 : 8;
            for (uint64_t tag = offset; tag + entry <= offset + size; tag += entry) {
                if (word(tag) == 1) library.imports.push_back(file.text(strings + word(tag + entry / 2)));
            }
        }
    }
    return library;
}

LibraryFile readPe(const Bytes& file) {
    LibraryFile library;
    library.format = LibraryFile::Format::Pe;
    const uint32_t header = file.u32(0x3C);
    if (file.u32(header) != 0x00004550) throw std::runtime_error("a DOS program, not a DLL");
    const uint64_t coff = header + 4;
    library.machine = machineName(false, file.u16(coff), library.isX86);
    const uint16_t sectionCount = file.u16(coff + 2);
    const uint16_t optionalSize = file.u16(coff + 16);
    if ((file.u16(coff + 18) & 0x2000U) == 0) throw std::runtime_error("a Windows program, not a DLL");
    const uint64_t optional = coff + 20;
    const uint16_t magic = file.u16(optional);
    if (magic != 0x10b && magic != 0x20b) throw std::runtime_error("a PE file of no known kind");
    library.bits = magic == 0x20b ? 64 : 32;
    const uint64_t directories = optional + (magic == 0x20b ? 112 : 96);
    const uint64_t sectionTable = optional + optionalSize;
    const auto offsetOf = [&](uint32_t rva) -> uint64_t {
        for (uint16_t i = 0; i < sectionCount; ++i) {
            const uint64_t entry = sectionTable + uint64_t{i} * 40;
            const uint32_t virtualSize = file.u32(entry + 8);
            const uint32_t address = file.u32(entry + 12);
            const uint32_t rawSize = file.u32(entry + 16);
            const uint32_t raw = file.u32(entry + 20);
            if (rva >= address && rva - address < std::max(virtualSize, rawSize))
                return uint64_t{raw} + (rva - address);
        }
        throw std::out_of_range("cut short");
    };
    const uint32_t exportRva = file.u32(directories);
    if (exportRva != 0) {
        const uint64_t directory = offsetOf(exportRva);
        const uint32_t names = file.u32(directory + 24);
        const uint64_t table = offsetOf(file.u32(directory + 32));
        for (uint32_t i = 0; i < names && i < 65536; ++i) {
            library.exports.push_back(file.text(offsetOf(file.u32(table + uint64_t{i} * 4))));
        }
    }
    const uint32_t importRva = file.u32(directories + 8);
    if (importRva != 0) {
        for (uint64_t descriptor = offsetOf(importRva); library.imports.size() < 4096; descriptor += 20) {
            const uint32_t name = file.u32(descriptor + 12);
            if (name == 0) break;
            library.imports.push_back(file.text(offsetOf(name)));
        }
    }
    return library;
}

}  // namespace

std::optional<LibraryFile> readLibraryFile(const std::filesystem::path& file, std::string& error) {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(file, code);
    if (code) {
        error = code.message();
        return std::nullopt;
    }
    if (size > kLargestFile) {
        error = "larger than any plug-in (over 512 MiB)";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
        error = "cannot be read";
        return std::nullopt;
    }
    const Bytes contents(std::move(bytes));
    try {
        if (contents.has(0, 4) && contents.u32(0) == 0x464C457F) return readElf(contents);
        if (contents.has(0, 2) && contents.u16(0) == 0x5A4D) return readPe(contents);
        error = "neither an ELF shared object nor a Windows DLL";
    } catch (const std::out_of_range&) {
        error = "cut short: its headers point past the end of the file";
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    return std::nullopt;
}

LibraryFile::Format hostFormat() {
#ifdef _WIN32
    return LibraryFile::Format::Pe;
#else
    return LibraryFile::Format::Elf;
#endif
}

int32_t hostBits() { return static_cast<int32_t>(sizeof(void*) * 8); }

}  // namespace cabkit::sim::validate
