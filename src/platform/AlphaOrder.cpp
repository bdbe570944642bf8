#include "platform/AlphaOrder.h"

#include <algorithm>

namespace jov {

namespace {

unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

}  // namespace

bool AlphaLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char fa = Folded(a[i]);
    const unsigned char fb = Folded(b[i]);
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ua = static_cast<unsigned char>(a[i]);
    const auto ub = static_cast<unsigned char>(b[i]);
    if (ua != ub) return ua < ub;
  }
  return false;
}

}  // namespace jov
