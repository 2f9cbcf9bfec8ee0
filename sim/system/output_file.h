// A file written through a plain descriptor, so that the crash report can
// still write to it from where no stream or allocation may be used. Bytes go
// out as they are: no line-end translation on any system.
#ifndef CABKIT_SIM_OUTPUT_FILE_H
#define CABKIT_SIM_OUTPUT_FILE_H

#include <cstddef>
#include <filesystem>
#include <string>

namespace cabkit::sim {

// Creates or empties `path`; -1 with the system's reason in `error`.
int openOutputFile(const std::filesystem::path& path, std::string& error);
// Writes all of `data`, retrying partial writes; false with the reason in `error`.
bool writeOutputFile(int fd, const char* data, std::size_t size, std::string& error);
void closeOutputFile(int fd);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_OUTPUT_FILE_H
