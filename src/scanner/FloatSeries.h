#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace jov {

// The float search tries step, step + step, ... while the value is below 10.0,
// each sum rounded to single precision (so the values carry that rounding and
// are not exact multiples of the step). A step of 0 or below, or not a number,
// would never reach 10.0; a tiny one would take millions of full searches.
inline constexpr std::size_t kMaxFloatValues = 100000;
inline constexpr const char* kFloatStepRefused =
    "Floats were not searched: the step must be a number above 0 that reaches 10 within 100,000 values.";

// The values in search order; empty for a step of 10 or more; nullopt when the
// step is refused.
std::optional<std::vector<float>> FloatSeries(float step);

}  // namespace jov
