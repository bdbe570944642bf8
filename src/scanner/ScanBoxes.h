#pragma once
#include <string>

namespace jov {

// The three Meta Scanner controls a result is shown in and edited through: the
// scanner tag choice ("class -- name" lines), the scanner class choice and the
// scanner value (also the float search's step).
struct ScanBoxes {
  std::string strTagChoice;
  std::string strClassChoice;
  float fValue = 0.01f;

  friend bool operator==(const ScanBoxes&, const ScanBoxes&) = default;
};

}  // namespace jov
