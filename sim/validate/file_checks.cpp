#include "file_checks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include <fmt/format.h>

#include "plugin_table.h"
#include "utf8_path.h"

namespace cabkit::sim::validate {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string describe(const LibraryFile& library) {
    return fmt::format("{} for {}, {}-bit",
                       library.format == LibraryFile::Format::Pe ? "a Windows DLL" : "an ELF shared object",
                       library.machine, library.bits);
}

// DLLs every Windows has; the API sets (api-ms-win-*, ext-ms-*) too.
constexpr std::array<std::string_view, 31> kSystemDlls = {
    "kernel32.dll", "user32.dll",  "gdi32.dll",     "advapi32.dll", "shell32.dll",  "ole32.dll",    "oleaut32.dll",
    "msvcrt.dll",   "ws2_32.dll",  "ntdll.dll",     "winmm.dll",    "comdlg32.dll", "comctl32.dll", "version.dll",
    "shlwapi.dll",  "bcrypt.dll",  "crypt32.dll",   "imm32.dll",    "rpcrt4.dll",   "secur32.dll",  "setupapi.dll",
    "dbghelp.dll",  "psapi.dll",   "iphlpapi.dll",  "ucrtbase.dll", "winspool.drv", "uxtheme.dll",  "dwmapi.dll",
    "powrprof.dll", "userenv.dll", "kernelbase.dll"};

// Runtimes of the usual compilers that a plain Windows lacks, with the remedy.
std::string runtimeRemedy(const std::string& dll) {
    if (dll.starts_with("libstdc++") || dll.starts_with("libgcc_s") || dll.starts_with("libwinpthread")) {
        return fmt::format(
            "{} is the GNU toolchain's runtime: link it in (-static-libgcc -static-libstdc++, and "
            "-static for winpthread), or ship it beside the plug-in",
            dll);
    }
    if (dll.starts_with("vcruntime") || dll.starts_with("msvcp") || dll.starts_with("msvcr") ||
        dll.starts_with("concrt")) {
        return fmt::format(
            "{} is the C++ compiler's runtime: build with the static runtime (/MT), or tell users to "
            "install the matching runtime package",
            dll);
    }
    return {};
}

bool besideFile(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (lower(utf8Text(entry.path().filename())) == lower(name)) return true;
    }
    return false;
}

std::vector<std::filesystem::path> elfSearchPath(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> folders{folder};
    if (const char* extra = std::getenv("LD_LIBRARY_PATH")) {
        std::string_view rest(extra);
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            if (colon != 0) folders.emplace_back(std::string(rest.substr(0, colon)));
            rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        }
    }
    for (const char* system : {"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/usr/local/lib", "/lib/x86_64-linux-gnu",
                               "/usr/lib/x86_64-linux-gnu", "/lib/i386-linux-gnu", "/usr/lib/i386-linux-gnu",
                               "/lib/aarch64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/lib32", "/usr/lib32"}) {
        folders.emplace_back(system);
    }
    return folders;
}

std::optional<LibraryFile> read(const std::filesystem::path& file, CheckResult& failure) {
    std::string error;
    auto library = readLibraryFile(file, error);
    if (!library) {
        failure = failed(fmt::format("not a plug-in library: {}", error),
                         "give the plug-in's .so or .dll file; rebuild it if it was cut short");
    }
    return library;
}

}  // namespace

bool loadableHere(const LibraryFile& library) {
    return library.format == hostFormat() && library.bits == hostBits() && library.isX86;
}

CheckResult notLoadableHere(const LibraryFile& library) {
    if (library.format != hostFormat()) {
        return skipped(
            fmt::format("{}: this simhost runs {} libraries only", describe(library),
                        hostFormat() == LibraryFile::Format::Pe ? "Windows" : "Linux"),
            library.format == LibraryFile::Format::Pe
                ? fmt::format("run simhost.exe validate (the {}-bit build) on Windows, or under wine", library.bits)
                : "run simhost validate on Linux");
    }
    return skipped(fmt::format("{}: this simhost is {}-bit and cannot load it", describe(library), hostBits()),
                   fmt::format("run the {}-bit simhost validate on it", library.bits));
}

CheckResult checkFormat(const std::filesystem::path& file) {
    CheckResult failure;
    const auto library = read(file, failure);
    if (!library) return failure;
    if (!library->isX86) {
        return failed(fmt::format("{}: hosts of this kind run on x86 only", describe(*library)),
                      "build the plug-in for i386 or x86-64");
    }
    CheckResult result;
    if (loadableHere(*library)) {
        result = passed(fmt::format("{}, as this simhost", describe(*library)));
    } else {
        result = notLoadableHere(*library);
        result.status = library->format == hostFormat() ? Status::Warn : Status::Pass;
        result.reason += "; the file checks still run here";
    }
    result.facts.emplace_back("bits", std::to_string(library->bits));
    return result;
}

CheckResult checkExports(const std::filesystem::path& file) {
    CheckResult failure;
    const auto library = read(file, failure);
    if (!library) return failure;
    std::vector<std::string> missing;
    std::vector<std::string> decorated;
    std::vector<std::string> mangled;
    for (const char* name : kCabkitExportNames) {
        const auto& exports = library->exports;
        if (std::find(exports.begin(), exports.end(), name) != exports.end()) continue;
        const auto match = std::find_if(exports.begin(), exports.end(), [name](const std::string& e) {
            const std::string_view bare = std::string_view(e).substr(e.starts_with('_') ? 1 : 0);
            return bare.starts_with(name) && bare.size() > std::string_view(name).size() &&
                   bare[std::string_view(name).size()] == '@';
        });
        if (match != exports.end()) {
            decorated.push_back(*match);
            continue;
        }
        const bool cxx = std::any_of(exports.begin(), exports.end(), [name](const std::string& e) {
            return e.starts_with("_Z") && e.find(name) != std::string::npos;
        });
        (cxx ? mangled : missing).push_back(name);
    }
    if (!decorated.empty()) {
        return failed(fmt::format("exports {} under stdcall-decorated names ({}); hosts look up the plain names",
                                  decorated.size(), fmt::join(decorated, ", ")),
                      "export the plain names: a .def file, or -Wl,--kill-at when linking");
    }
    if (!mangled.empty()) {
        return failed(fmt::format("exports {} only as C++ names", fmt::join(mangled, ", ")),
                      "declare the exports extern \"C\"");
    }
    if (!missing.empty()) {
        return failed(fmt::format("does not export {}", fmt::join(missing, ", ")),
                      "define and export all sixteen functions, even those that do nothing");
    }
    return passed(fmt::format("all {} exports under their plain names", CABKIT_EXPORT_COUNT));
}

CheckResult checkImports(const std::filesystem::path& file) {
    CheckResult failure;
    const auto library = read(file, failure);
    if (!library) return failure;
    const std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::vector<std::string> beside;
    for (const std::string& import : library->imports) {
        const std::string name = lower(import);
        if (library->format == LibraryFile::Format::Pe) {
            const bool system = std::find(kSystemDlls.begin(), kSystemDlls.end(), name) != kSystemDlls.end() ||
                                name.starts_with("api-ms-win-") || name.starts_with("ext-ms-");
            if (system) continue;
            if (besideFile(folder, import)) {
                beside.push_back(import);
                continue;
            }
            const std::string remedy = runtimeRemedy(name);
            return failed(fmt::format("imports {}, which is neither beside it nor a part of Windows", import),
                          remedy.empty() ? fmt::format("ship {} beside the plug-in, or link it in", import) : remedy);
        }
        bool found = false;
        std::error_code error;
        for (const auto& candidate : elfSearchPath(folder)) {
            found = found || std::filesystem::exists(candidate / import, error);
        }
        if (!found) {
            return failed(fmt::format("needs {}, found neither beside it nor in the system's library folders", import),
                          fmt::format("link {} in statically, or ship it beside the plug-in", import));
        }
    }
    if (!beside.empty()) {
        return passed(fmt::format("{} imports, {} of them beside it ({})", library->imports.size(), beside.size(),
                                  fmt::join(beside, ", ")));
    }
    return passed(fmt::format("{} imports, each found on the system", library->imports.size()));
}

}  // namespace cabkit::sim::validate
