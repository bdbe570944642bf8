#pragma once
#include <stdexcept>
#include <string>

namespace jov {

// A command that will not go on, with the reason the user reads ("Message"
// dialog in the editor, standard output and exit status 1 in jov-cli). Nothing
// has been written when it is thrown.
class Refused : public std::runtime_error {
 public:
  explicit Refused(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace jov
