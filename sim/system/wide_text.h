// UTF-16 text of the Windows API to UTF-8 and back. Windows builds only.
#ifndef CABKIT_SIM_WIDE_TEXT_H
#define CABKIT_SIM_WIDE_TEXT_H

#include <string>
#include <string_view>

namespace cabkit::sim {

std::string utf8FromWide(std::wstring_view text);
std::wstring wideFromUtf8(std::string_view text);
// The system's description of an error code from GetLastError, in UTF-8.
std::string systemErrorText(unsigned long code);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_WIDE_TEXT_H
