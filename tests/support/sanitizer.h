#pragma once
// Whether the test is built with AddressSanitizer (GCC says so by a macro,
// Clang by a feature): some rows take less time or memory under it.

#if defined(__SANITIZE_ADDRESS__)
#define WENDRA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WENDRA_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef WENDRA_ADDRESS_SANITIZER
#define WENDRA_ADDRESS_SANITIZER 0
#endif

inline constexpr bool kAddressSanitizer = WENDRA_ADDRESS_SANITIZER;
