#include "platform/Numeric.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

namespace velmora::platform {

std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c) noexcept {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const std::uint64_t num = product < 0 ? 0ULL - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
  const std::uint64_t den = c < 0 ? 0ULL - static_cast<std::uint64_t>(static_cast<std::int64_t>(c)) : static_cast<std::uint64_t>(c);
  const std::uint64_t q = (num + den / 2) / den;  // half away from zero on the magnitude
  if (q > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0)) return -1;
  return negative ? static_cast<std::int32_t>(0 - q) : static_cast<std::int32_t>(q);
}

std::int32_t roundHalfEven(double value) noexcept {
  // nearbyint follows the current rounding mode; the default mode rounds halves to even.
  return static_cast<std::int32_t>(std::nearbyint(value));
}

std::int32_t atoiWin(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') value = value * 10u + static_cast<std::uint32_t>(text[i++] - '0');
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

int byteCompare(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;  // memcmp compares unsigned bytes
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace velmora::platform
