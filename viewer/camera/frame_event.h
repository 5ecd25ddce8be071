// The frame notification: event 1074 carries the address and size of the acquisition thread's
// frame picture to the main view.
#pragma once

#include <QEvent>

#include <cstddef>
#include <cstdint>

// Delivered to the receiver view on the user-interface thread. The picture (a 40-byte
// BITMAPINFOHEADER followed by bottom-up 24-bit rows) may be read only while the event is being
// handled: the acquisition thread converts the next frame into the same memory afterwards.
class CFrameEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(1074);

    CFrameEvent(const std::uint8_t* picture, std::size_t size)
        : QEvent(kType), picture_(picture), size_(size) {}

    const std::uint8_t* picture() const noexcept { return picture_; }
    // Width x height x 3 + 40.
    std::size_t size() const noexcept { return size_; }

private:
    const std::uint8_t* picture_;
    std::size_t size_;
};
