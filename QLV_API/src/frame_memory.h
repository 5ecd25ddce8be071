// The frame memory the library allocates once at start and reuses for every frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

namespace qlv {

// A zero-filled block from calloc: large blocks come straight from fresh pages, so zeroing the
// library's 52 MB costs nothing until the memory is used.
class ZeroedBuffer {
public:
    ZeroedBuffer() = default;
    // An empty buffer (data() == nullptr) when the memory cannot be had.
    static ZeroedBuffer allocate(std::size_t size);

    std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    std::span<std::uint8_t> span() const { return {bytes_.get(), size_}; }
    explicit operator bool() const { return bytes_ != nullptr; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> bytes_;
    std::size_t size_ = 0;
};

inline constexpr int maxFrameWidth = 1280;
inline constexpr int maxFrameHeight = 1024;
// Largest frame plus the 512 bytes a read may ask beyond it.
inline constexpr std::size_t frameBufferSize = maxFrameWidth * maxFrameHeight * 2 + 512;
inline constexpr std::size_t bitmapHeaderSize = 40;
inline constexpr std::size_t displayBitmapSize =
    bitmapHeaderSize + std::size_t{maxFrameWidth} * maxFrameHeight * 3;
inline constexpr int internalRingSize = 16;

struct FrameMemory {
    std::array<ZeroedBuffer, 2> displayBitmaps;
    ZeroedBuffer rawFrame;
    std::array<ZeroedBuffer, internalRingSize> internalRing;

    // All of it, or nothing when any block cannot be had.
    static std::optional<FrameMemory> allocate();
};

// Writes a 24-bit bottom-up bitmap header (size 40, planes 1, no compression) at `header`.
void writeBitmapHeader(std::uint8_t* header, int width, int height);

// Tests limit the bytes ZeroedBuffer::allocate may hand out, to see how a failed allocation is
// handled; 0 lifts the limit.
void limitFrameMemoryForTesting(std::size_t bytes);

}  // namespace qlv
