#include "frame_memory.h"

#include <atomic>
#include <cstring>

namespace qlv {
namespace {

std::atomic<std::size_t> allocationLimit{0};
std::atomic<std::size_t> allocatedSoFar{0};

void putLittleEndian32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

ZeroedBuffer ZeroedBuffer::allocate(std::size_t size) {
    ZeroedBuffer buffer;
    const std::size_t limit = allocationLimit.load();
    if (limit != 0 && allocatedSoFar.fetch_add(size) + size > limit) {
        return buffer;
    }
    buffer.bytes_.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
    buffer.size_ = buffer.bytes_ ? size : 0;
    return buffer;
}

std::optional<FrameMemory> FrameMemory::allocate() {
    FrameMemory memory;
    bool complete = true;
    for (auto& bitmap : memory.displayBitmaps) {
        bitmap = ZeroedBuffer::allocate(displayBitmapSize);
        complete = complete && bitmap;
    }
    memory.rawFrame = ZeroedBuffer::allocate(frameBufferSize);
    complete = complete && memory.rawFrame;
    for (auto& slot : memory.internalRing) {
        slot = ZeroedBuffer::allocate(frameBufferSize);
        complete = complete && slot;
    }
    if (!complete) {
        return std::nullopt;
    }
    for (auto& bitmap : memory.displayBitmaps) {
        writeBitmapHeader(bitmap.data(), maxFrameWidth, maxFrameHeight);
    }
    return memory;
}

void writeBitmapHeader(std::uint8_t* header, int width, int height) {
    std::memset(header, 0, bitmapHeaderSize);
    putLittleEndian32(header + 0, bitmapHeaderSize);
    putLittleEndian32(header + 4, static_cast<std::uint32_t>(width));
    putLittleEndian32(header + 8, static_cast<std::uint32_t>(height));
    header[12] = 1;   // planes
    header[14] = 24;  // bits per pixel
}

void limitFrameMemoryForTesting(std::size_t bytes) {
    allocatedSoFar = 0;
    allocationLimit = bytes;
}

}  // namespace qlv
