#include "check/XboxCompression.h"
#include "platform/PathText.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "check/MapLayout.h"
#include "check/FileBytes.h"
#include "platform/SaveFile.h"
#include "map/Refused.h"
#include "platform/FileError.h"

namespace jov {

namespace {

constexpr std::uint64_t kPadBlock = 4096;
constexpr std::size_t kChunk = 1 << 20;

bool IsZlibHeader(unsigned char cmf, unsigned char flg) {
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

void RequireDifferent(const std::string& in, const std::string& out) {
  std::error_code ec;
  const auto inPath = PathFromUtf8(in);
  const auto outPath = PathFromUtf8(out);
  const bool same = std::filesystem::exists(outPath, ec) ? std::filesystem::equivalent(inPath, outPath, ec)
                                                         : std::filesystem::weakly_canonical(inPath, ec) ==
                                                               std::filesystem::weakly_canonical(outPath, ec);
  if (same) throw Refused("OUT is the same file as IN; write the result to a new file.");
}

// The result goes through the whole-file writer: OUT is either the old file or
// the whole new one, synced before it takes OUT's name. Written in order, with
// one field of the header filled in at the end.
class TempOutput {
 public:
  explicit TempOutput(const std::string& out) : m_file(out, out) {}

  void Write(const void* data, std::size_t n) {
    m_file.File().Write(m_at, data, n);
    m_at += n;
  }
  void WriteAt(std::uint64_t at, const void* data, std::size_t n) { m_file.File().Write(at, data, n); }
  void Finish() { m_file.Commit(); }

 private:
  SaveFile m_file;
  std::uint64_t m_at = 0;
};

void RequireXbox(std::span<const unsigned char> file) {
  if (file.size() < kMapHeaderSize) throw Refused("IN is shorter than the 0x800-byte header of a map.");
  if (Le16At(file, 0x04) != 5) throw Refused("IN is not an Xbox map (version 5).");
}

void PutLe32(unsigned char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

bool IsCompressedXboxMap(std::span<const unsigned char> file) {
  if (file.size() < kMapHeaderSize + 2 || Le16At(file, 0x04) != 5) return false;
  if (!IsZlibHeader(file[kMapHeaderSize], file[kMapHeaderSize + 1])) return false;
  // Two bytes can look like a stream header by chance: the stream must also start
  // to inflate.
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  unsigned char out[4096];
  z.next_in = const_cast<unsigned char*>(file.data() + kMapHeaderSize);
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(file.size() - kMapHeaderSize, 1 << 16));
  z.next_out = out;
  z.avail_out = sizeof out;
  const int status = inflate(&z, Z_NO_FLUSH);
  const bool inflates = (status == Z_OK || status == Z_STREAM_END) && z.avail_out < sizeof out;
  inflateEnd(&z);
  return inflates;
}

void DecompressXboxMap(const std::string& in, const std::string& out) {
  RequireDifferent(in, out);
  const FileBytes mapped(in);
  const auto file = mapped.Bytes();
  RequireXbox(file);
  if (!IsCompressedXboxMap(file)) throw Refused("IN is not a compressed Xbox map.");
  const std::uint32_t length = *Le32At(file, 0x08);

  TempOutput output(out);
  std::vector<unsigned char> header(file.begin(), file.begin() + kMapHeaderSize);
  PutLe32(header.data() + 0x0C, 0);  // no padding any more
  output.Write(header.data(), header.size());

  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw Refused("zlib could not start.");
  std::vector<unsigned char> buffer(kChunk);
  std::uint64_t written = kMapHeaderSize;
  const unsigned char* next = file.data() + kMapHeaderSize;
  std::uint64_t left = file.size() - kMapHeaderSize;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (z.avail_in == 0 && left > 0) {
      const uInt part = static_cast<uInt>(std::min<std::uint64_t>(left, 1u << 30));
      z.next_in = const_cast<unsigned char*>(next);
      z.avail_in = part;
      next += part;
      left -= part;
    }
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    status = inflate(&z, Z_NO_FLUSH);
    const std::size_t produced = buffer.size() - z.avail_out;
    // Never more than the header says: a stream that would grow past it is damaged.
    if (status < 0 || status == Z_NEED_DICT || written + produced > length || (status == Z_BUF_ERROR && left == 0 && z.avail_in == 0)) {
      inflateEnd(&z);
      throw Refused("The compressed data of IN is damaged or longer than the decompressed length " + Hex(length) + " at 0x008.");
    }
    output.Write(buffer.data(), produced);
    written += produced;
  }
  inflateEnd(&z);
  if (written != length)
    throw Refused("The compressed data of IN gives " + Hex(written) + " bytes, not the decompressed length " + Hex(length) + " at 0x008.");
  output.Finish();
}

void CompressXboxMap(const std::string& in, const std::string& out) {
  RequireDifferent(in, out);
  const FileBytes mapped(in);
  const auto file = mapped.Bytes();
  RequireXbox(file);
  if (IsCompressedXboxMap(file)) throw Refused("IN is already a compressed Xbox map.");
  // 0x008 tells the game how long the map is once decompressed.
  if (*Le32At(file, 0x08) != file.size())
    throw Refused("The EoF Position " + Hex(*Le32At(file, 0x08)) + " at 0x008 is not IN's length " + Hex(file.size()) +
                  "; a compressed map keeps its decompressed length there.");

  TempOutput output(out);
  std::vector<unsigned char> header(file.begin(), file.begin() + kMapHeaderSize);
  output.Write(header.data(), header.size());

  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) throw Refused("zlib could not start.");
  std::vector<unsigned char> buffer(kChunk);
  std::uint64_t written = kMapHeaderSize;
  const unsigned char* next = file.data() + kMapHeaderSize;
  std::uint64_t left = file.size() - kMapHeaderSize;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (z.avail_in == 0 && left > 0) {
      const uInt part = static_cast<uInt>(std::min<std::uint64_t>(left, 1u << 30));
      z.next_in = const_cast<unsigned char*>(next);
      z.avail_in = part;
      next += part;
      left -= part;
    }
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    status = deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
    if (status == Z_STREAM_ERROR) {
      deflateEnd(&z);
      throw Refused("zlib could not compress IN.");
    }
    output.Write(buffer.data(), buffer.size() - z.avail_out);
    written += buffer.size() - z.avail_out;
  }
  deflateEnd(&z);

  const std::uint64_t pad = (kPadBlock - written % kPadBlock) % kPadBlock;
  const std::vector<unsigned char> zeros(pad, 0);
  output.Write(zeros.data(), zeros.size());
  unsigned char padText[4];
  PutLe32(padText, static_cast<std::uint32_t>(pad));
  output.WriteAt(0x0C, padText, sizeof padText);
  output.Finish();
}

}  // namespace jov
