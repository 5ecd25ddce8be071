#include "bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qlvctl {
namespace {

#ifdef _WIN32
// Binary: text mode would write every 0x0A byte of the picture as two.
constexpr int createFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;
int syncFile(int fd) {
    return _commit(fd);
}
// rename does not replace an existing file here.
bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}
#else
constexpr int createFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
int syncFile(int fd) {
    return ::fsync(fd);
}
bool replaceFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}
#endif

constexpr std::size_t infoHeaderSize = 40;
constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t imageSizeField = 20;  // biSizeImage within the info header

std::uint32_t readLe32(std::span<const std::uint8_t> at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint16_t readLe16(std::span<const std::uint8_t> at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

void writeLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::string describeErrno(const std::string& doing) {
    return doing + ": " + std::strerror(errno);
}

}  // namespace

std::optional<BitmapSize> readBitmapHeader(std::span<const std::uint8_t> header) {
    if (header.size() < infoHeaderSize) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(readLe32(header.subspan(4)));
    const auto height = static_cast<std::int32_t>(readLe32(header.subspan(8)));
    // A negative height would be a top-down bitmap, which the library never makes.
    if (readLe32(header) != infoHeaderSize || width <= 0 || height <= 0 ||
        readLe16(header.subspan(12)) != 1 || readLe16(header.subspan(14)) != 24 ||
        readLe32(header.subspan(16)) != 0) {
        return std::nullopt;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    return BitmapSize{width, height, stride};
}

std::vector<std::uint8_t> bmpFile(std::span<const std::uint8_t> bitmap, const BitmapSize& size) {
    const std::size_t pixelBytes = size.stride * static_cast<std::size_t>(size.height);
    const std::size_t bitmapBytes = infoHeaderSize + pixelBytes;
    std::vector<std::uint8_t> file(fileHeaderSize + bitmapBytes);
    file[0] = 'B';
    file[1] = 'M';
    writeLe32(&file[2], static_cast<std::uint32_t>(file.size()));
    writeLe32(&file[10], static_cast<std::uint32_t>(fileHeaderSize + infoHeaderSize));
    std::copy_n(bitmap.begin(), bitmapBytes, file.begin() + fileHeaderSize);
    // The library leaves the image size 0, which the format allows; some readers want it filled.
    writeLe32(&file[fileHeaderSize + imageSizeField], static_cast<std::uint32_t>(pixelBytes));
    return file;
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

bool AtomicFile::open(std::string& problem) {
    // A link is written through, so the link stays and its target gets the picture; anything
    // but a regular file (a device node, a pipe, a folder) is left alone.
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path_, error))) {
        const fs::path resolved = fs::weakly_canonical(path_, error);
        if (error) {
            problem = "cannot follow the link " + path_ + ": " + error.message();
            return false;
        }
        path_ = resolved.string();
    }
    const fs::file_status status = fs::status(path_, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        problem = path_ + " exists and is not a regular file";
        return false;
    }
    temporary_ = path_ + ".tmp." + std::to_string(::getpid());
    // 0666 before the umask, as for any file the user makes.
    fd_ = ::open(temporary_.c_str(), createFlags, 0666);
    if (fd_ < 0) {
        problem = describeErrno("cannot create " + temporary_);
        temporary_.clear();
        return false;
    }
    return true;
}

bool AtomicFile::commit(std::span<const std::uint8_t> bytes, std::string& problem) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            problem = describeErrno("cannot write " + temporary_);
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    // Flushed before the rename, so a crash cannot leave the new name on an empty file.
    const bool synced = syncFile(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
        problem = describeErrno("cannot write " + temporary_);
        return false;
    }
    if (!replaceFile(temporary_, path_)) {
        problem = describeErrno("cannot rename " + temporary_ + " to " + path_);
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace qlvctl
