// Whether this harness is built with AddressSanitizer (clang and gcc say so
// in different ways): the heap measure and the array poisoning use its
// runtime when it is there and fall back to plain means when it is not.
#ifndef CABKIT_FUZZ_ADDRESS_SANITIZER_H
#define CABKIT_FUZZ_ADDRESS_SANITIZER_H

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CABKIT_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(CABKIT_FUZZ_ASAN)
#define CABKIT_FUZZ_ASAN 1
#endif

#endif  // CABKIT_FUZZ_ADDRESS_SANITIZER_H
