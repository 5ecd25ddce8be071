// libjpeg's classic API takes blue-green-red rows in any order we hand them, so the bottom-up
// rows are encoded where they lie: no mirrored or converted copy of the picture is made.
#include "capture/jpeg_writer.h"

#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <vector>

#include <jpeglib.h>

namespace viewer {

namespace {

constexpr std::size_t kOutputChunk = 256 * 1024;
constexpr int kRowsPerCall = 16;  // one 4:2:0 MCU row

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// encode call instead of letting the default handler end the process.
struct ErrorJump {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

void keepQuiet(j_common_ptr) {}

// Hands the encoder's output to a QIODevice one chunk at a time. A failed write is remembered
// and the rest of the output is dropped, so the encoder itself never has to fail.
struct DeviceDestination {
    jpeg_destination_mgr manager;  // first, as above
    QIODevice* device;
    JOCTET* buffer;
    std::size_t size;
    bool failed;
};

DeviceDestination& destinationOf(j_compress_ptr info) {
    return *reinterpret_cast<DeviceDestination*>(info->dest);
}

void flush(DeviceDestination& dest, std::size_t bytes) {
    if (!dest.failed && bytes > 0) {
        const auto written = dest.device->write(reinterpret_cast<const char*>(dest.buffer),
                                                static_cast<qint64>(bytes));
        dest.failed = written != static_cast<qint64>(bytes);
    }
    dest.manager.next_output_byte = dest.buffer;
    dest.manager.free_in_buffer = dest.size;
}

void startOutput(j_compress_ptr info) {
    flush(destinationOf(info), 0);
}

boolean emptyOutput(j_compress_ptr info) {
    DeviceDestination& dest = destinationOf(info);
    flush(dest, dest.size);  // libjpeg calls this only with the whole buffer full
    return TRUE;
}

void endOutput(j_compress_ptr info) {
    DeviceDestination& dest = destinationOf(info);
    flush(dest, dest.size - dest.manager.free_in_buffer);
}

// Every object here is trivially destructible, so leaving through longjmp skips no destructor.
bool encode(const BottomUpRows& rows, int quality, DeviceDestination& dest) {
    jpeg_compress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpOnError;
    error.manager.output_message = keepQuiet;
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    info.dest = &dest.manager;
    info.image_width = static_cast<JDIMENSION>(rows.width);
    info.image_height = static_cast<JDIMENSION>(rows.height);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);  // baseline, 2x2 luma sampling (4:2:0)
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);

    JSAMPROW batch[kRowsPerCall];
    while (info.next_scanline < info.image_height) {
        const auto top = static_cast<int>(info.next_scanline);
        const int count = std::min(kRowsPerCall, rows.height - top);
        for (int i = 0; i < count; ++i) {
            // libjpeg only reads the rows; its API just lacks the const.
            batch[i] = const_cast<JSAMPROW>(rows.row(rows.height - 1 - (top + i)));
        }
        jpeg_write_scanlines(&info, batch, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return !dest.failed;
}

}  // namespace

bool writeJpeg(const BottomUpRows& rows, int quality, QIODevice& out) {
    if (rows.width <= 0 || rows.height <= 0 || rows.width > JPEG_MAX_DIMENSION ||
        rows.height > JPEG_MAX_DIMENSION) {
        return false;
    }
    std::vector<JOCTET> buffer(kOutputChunk);
    DeviceDestination dest{};
    dest.manager.init_destination = startOutput;
    dest.manager.empty_output_buffer = emptyOutput;
    dest.manager.term_destination = endOutput;
    dest.device = &out;
    dest.buffer = buffer.data();
    dest.size = buffer.size();
    return encode(rows, std::clamp(quality, 1, 100), dest);
}

}  // namespace viewer
