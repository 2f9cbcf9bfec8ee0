// A file written through a plain descriptor, so that the crash report can
// still write to it from where no stream or allocation may be used. Bytes go
// out as they are: no line-end translation on any system.
#ifndef CABKIT_SIM_OUTPUT_FILE_H
#define CABKIT_SIM_OUTPUT_FILE_H

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace cabkit::sim {

enum class OutputMode {
    Replace,  // create the file, or empty it
    Append,   // add at the end of a file that exists
};

// A descriptor open for writing; -1 with the system's reason in `error`.
int openOutputFile(const std::filesystem::path& path, OutputMode mode, std::string& error);
// Writes all of `data`, retrying partial writes; false with the reason in `error`.
bool writeOutputFile(int fd, const char* data, std::size_t size, std::string& error);
// False when the system reports that buffered data could not be written.
bool closeOutputFile(int fd);

// The same as a C stream, created or emptied, in binary mode; nullptr when
// it cannot be.
std::FILE* openOutputStream(const std::filesystem::path& path);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_OUTPUT_FILE_H
