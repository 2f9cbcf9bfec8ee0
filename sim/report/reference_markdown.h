// The authors' reference: the cab contract tables of all plug-ins as one
// Markdown document (simhost reference). docs/reference.md is its output,
// and a test keeps the two equal, so the manual cannot drift from the code.
#ifndef CABKIT_SIM_REFERENCE_MARKDOWN_H
#define CABKIT_SIM_REFERENCE_MARKDOWN_H

#include <optional>
#include <string>
#include <string_view>

namespace cabkit::sim {

// The whole reference for an empty `plugin`; for "Velorin", "Sentrel" or
// "Cabrix" that plug-in's section and the exchanged slots it writes or
// reads. None for any other name.
std::optional<std::string> referenceMarkdown(std::string_view plugin);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REFERENCE_MARKDOWN_H
