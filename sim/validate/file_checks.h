// The checks of the file itself, made from its bytes alone: no code of the
// plug-in runs, so they hold for a DLL read on Linux as well.
#ifndef CABKIT_SIM_VALIDATE_FILE_CHECKS_H
#define CABKIT_SIM_VALIDATE_FILE_CHECKS_H

#include <filesystem>

#include "check_result.h"
#include "library_file.h"

namespace cabkit::sim::validate {

// A library of a known format, for a machine of this host family; width
// and system compared with this simhost's.
CheckResult checkFormat(const std::filesystem::path& file);
// The sixteen exports under their plain names.
CheckResult checkExports(const std::filesystem::path& file);
// Every library it imports, found beside it or on the system.
CheckResult checkImports(const std::filesystem::path& file);

// Whether this simhost can load the file and call it: same system, same width.
bool loadableHere(const LibraryFile& library);
// Why not, and what to run instead.
CheckResult notLoadableHere(const LibraryFile& library);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_FILE_CHECKS_H
