// Reads an integer entry of an initialisation file by the rules of the
// Windows profile-integer call, so a settings file means the same on every
// platform.
#ifndef CABKIT_PLATFORM_PROFILE_INT_H
#define CABKIT_PLATFORM_PROFILE_INT_H

#include <cstdint>
#include <string_view>

namespace cabkit::platform {

// The value of `key` in `[section]` of the file at `path`, or `defaultValue`
// (as unsigned) when the file, the section or the key is missing or the value
// is empty. Windows builds call the system; elsewhere readProfileIntText.
// A relative path is taken from the current folder on every platform (the
// system call alone would look in the Windows folder); an empty path names
// no file.
uint32_t readProfileInt(const char* path, const char* section, const char* key, int32_t defaultValue);

// The same rules applied to the text of a file already in memory:
// - a UTF-16 file (either byte order) behind its byte-order mark is read as
//   text, as is UTF-8 with or without one;
// - lines end at CR or LF; leading and trailing white space is dropped;
// - "[name]" opens a section (up to the last ']'), names compare without
//   regard to ASCII case; only the first section of a name is searched, and
//   an empty name finds nothing;
// - a comment line (starting with ';') never answers for a key that does
//   not itself start with ';';
// - "key = value": white space around key and value is dropped; the first
//   entry of a key wins; a value in matching quotes loses them;
// - the value is read as an optional sign, then "0x", "0o" or "0b" for
//   bases 16, 8 and 2, then digits of the base up to the first other
//   character; the result wraps modulo 2^32 and a '-' negates it; text
//   without digits reads as 0.
// Only the first kProfileValueLimit characters of a value take part.
uint32_t readProfileIntText(std::string_view text, std::string_view section, std::string_view key,
                            int32_t defaultValue);

// Longest value the system call looks at (its buffer holds 30 characters,
// one of them the terminator).
inline constexpr std::size_t kProfileValueLimit = 29;

// Files larger than this are read only up to it: settings files are a few
// lines, and a hostile file must not make the plug-in allocate without bound.
inline constexpr std::size_t kProfileFileLimit = 1U << 20U;

}  // namespace cabkit::platform

#endif  // CABKIT_PLATFORM_PROFILE_INT_H
