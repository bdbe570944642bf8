#include "scanner/FloatSeries.h"

#include <cmath>

namespace jov {

std::optional<std::vector<float>> FloatSeries(float step) {
  if (std::isnan(step) || step <= 0.0f) return std::nullopt;
  std::vector<float> values;
  for (float f = step; f < 10.0f;) {
    if (values.size() == kMaxFloatValues) return std::nullopt;
    values.push_back(f);
    const float next = f + step;
    if (!(next > f)) return std::nullopt;  // the sum no longer grows at this magnitude
    f = next;
  }
  return values;
}

}  // namespace jov
