// Integer and text helpers that give exactly the results of their Windows counterparts, so that
// computed velocities, ticks and sort orders are the same on every platform. Portable, no state.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmora::platform {

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or the result
// does not fit 32 bits (MulDiv). [any-thread, real-time safe]
std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c) noexcept;

// Nearest integer, halves to the even neighbour (the processor's default rounding).
// [any-thread, real-time safe]
std::int32_t roundHalfEven(double value) noexcept;

// atoi: optional leading blanks and sign, then digits up to the first other character; no digits
// give 0. Wraps in 32 bits instead of overflowing. [any-thread, real-time safe]
std::int32_t atoiWin(std::string_view text) noexcept;

// ASCII letters to lower case; every other byte as it is (names are compared this way on every
// platform, whatever the locale). [any-thread, real-time safe]
constexpr char asciiLower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal when the texts differ at most in the case of ASCII letters. [any-thread, real-time safe]
bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept;

// Byte-wise ascending compare of two names (unsigned bytes, shorter prefix first), the order the
// multibyte compare gives for ASCII names: upper case before lower case. <0, 0 or >0.
int byteCompare(std::string_view a, std::string_view b) noexcept;

}  // namespace velmora::platform
