#pragma once

// PI_COINS_SANITIZED is defined when AddressSanitizer or MemorySanitizer
// instruments this build: such a build owns malloc and keeps freed memory
// in quarantine, so allocation counts and resident memory mean nothing.
#if defined(__SANITIZE_ADDRESS__)
#define PI_COINS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define PI_COINS_SANITIZED 1
#endif
#endif
