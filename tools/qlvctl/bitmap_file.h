// Saving the library's bitmap (a 40-byte BITMAPINFOHEADER and bottom-up 24-bit rows) as a .bmp
// file, and writing a file so that it appears whole or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qlvctl {

struct BitmapSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t stride = 0;  // bytes per row, a multiple of 4
};

// The size a 24-bit uncompressed bottom-up bitmap header describes; nullopt for any other header.
std::optional<BitmapSize> readBitmapHeader(std::span<const std::uint8_t> header);

// The file: a 14-byte file header, then the header and rows of `bitmap`, which holds at least
// 40 + stride x height bytes of a bitmap of `size`.
std::vector<std::uint8_t> bmpFile(std::span<const std::uint8_t> bitmap, const BitmapSize& size);

// A file written under a temporary name in the same folder and renamed over `path` only when
// complete, so a reader never sees half a picture and a failure leaves an older file alone. The
// temporary name is claimed first, so an unwritable place is found before any work is done.
class AtomicFile {
public:
    explicit AtomicFile(std::string path) : path_(std::move(path)) {}
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside `path`, or beside the file a link at `path` leads to.
    // False with `problem` set, also when `path` exists and is not a regular file.
    bool open(std::string& problem);
    // Writes `bytes`, flushes them to the disk and renames. False with `problem` set.
    bool commit(std::span<const std::uint8_t> bytes, std::string& problem);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

}  // namespace qlvctl
