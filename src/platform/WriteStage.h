#pragma once
#include <cstddef>
#include <cstdint>

namespace jov {

// Where the writes of a file go instead of the file while a command is being
// planned: the stage keeps them in memory, and reads of the same handle see the
// file with those writes laid over it. Nothing reaches the disk; whoever
// installed the stage turns what it kept into a plan of bytes.
class WriteStage {
 public:
  virtual ~WriteStage() = default;
  // Fills n bytes from offset with the staged view; returns how many bytes lie
  // inside the staged length (the rest are zeros).
  virtual std::size_t Read(std::uint64_t offset, void* buffer, std::size_t n) const = 0;
  virtual void Write(std::uint64_t offset, const void* data, std::size_t n) = 0;
  virtual std::uint64_t Length() const = 0;
  virtual void SetLength(std::uint64_t length) = 0;
};

}  // namespace jov
