#include <string_view>

#include "child_process.h"
#include "printable_text.h"

namespace cabkit::sim {

void ChildOutput::take(const char* data, std::size_t size) {
    const std::size_t room = bytes < kChildOutputLimit ? kChildOutputLimit - static_cast<std::size_t>(bytes) : 0;
    const std::size_t shown = size < room ? size : room;
    bytes += size;
    if (shown == 0) return;
    pending.append(data, shown);
    const std::size_t whole = wholeCharacters(pending);
    const std::string text = printableLines(std::string_view(pending).substr(0, whole));
    pending.erase(0, whole);
    if (passOn != nullptr) {
        static_cast<void>(std::fwrite(text.data(), 1, text.size(), passOn));
        static_cast<void>(std::fflush(passOn));
    } else {
        kept += text;
    }
}

}  // namespace cabkit::sim
