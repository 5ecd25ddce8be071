// The simulated camera: the firmware a real camera runs behind its USB controller, as seen from the
// bus (control requests on endpoint 0, frames on bulk IN) and from the desk (cable, buttons).
//
// Thread safety: every member may be called from any thread at any time. The camera must outlive
// every call made on it.
//
// Behaviour worth knowing:
// - A request the firmware cannot take (unknown code, wrong direction, a buffer shorter than
//   wLength, a range past the end of the EEPROM or of a register file, a mode other than 1..3)
//   is stalled and changes nothing.
// - Replugging gives a fresh device: resolution 0, live picture, not busy, the sensor reloaded
//   from the mode's 640-wide register block in the EEPROM; mode and EEPROM are kept. Frame
//   numbers keep counting for the life of the object.
// - Frames are numbered from 1 in the order the camera sends them, delivered or not, so a host
//   that falls behind sees gaps. A frozen camera repeats the last picture it sent before the
//   freeze byte for byte, tags included.
// - The geometry of each frame follows the status and the line setting at the moment it is sent.
// - The picture reacts to the sensor's and colour processor's registers from the next frame on:
//   exposure, gain and auto exposure, knee curve, contrast, sharpness, mirror, white balance,
//   flicker (against the room's mains, Options::mainsHz), hue rotation and chroma. At the
//   built-in manual exposure the scene shows as drawn; with auto exposure on, as built in, its
//   mean luma settles on the AE target within a few frames. Tags are stamped after all of it.
// - The camera runs one thread for the pipe (started by the first bulkIn) and, with a control
//   socket, one for the socket; both sleep while nothing happens and are joined by the destructor.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace vcam {

// The 8-byte USB setup packet of a control transfer.
struct SetupPacket {
    std::uint8_t requestType = 0;  // 0xC0 = vendor IN, 0x40 = vendor OUT
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;

    bool isIn() const { return (requestType & 0x80) != 0; }
};

// One control transfer as the camera received it (OUT data as sent; IN data as answered).
struct RecordedRequest {
    SetupPacket setup;
    std::vector<std::uint8_t> data;
    bool succeeded = false;
};

// How a frame on the bulk pipe is spoiled, once, for the next frame sent.
enum class FrameFault { None, Short, Long, ZeroLength };

struct Options {
    int mode = 1;                // status byte 0: 1..3
    int resolution = 0;          // status byte 1: 0 = 640 wide, 1 = 1280 x 1024 (nonzero)
    bool lines480 = true;        // I2C 0x58 first byte > 15 (480 lines) or <= 15 (512 lines)
    double framesPerSecond = 0;  // 0 = realistic pace by resolution; < 0 = as fast as possible
    std::chrono::microseconds controlLatency{200};  // time the bus takes for one control transfer
    std::chrono::milliseconds eepromBusyTime{5};    // busy flag after each EEPROM write
    // Keeps the EEPROM across runs when not empty: read at construction when it holds exactly
    // 16 KiB, replaced atomically after every EEPROM write.
    std::string eepromFile;
    // Unix socket path for line commands when not empty. A stale socket there is replaced; a live
    // one or another kind of file is left alone and the camera runs without a socket.
    std::string controlSocket;
    // Mains frequency of the room's lights, 50 or 60 (anything else counts as 50). A sensor whose
    // flicker setting does not match it shows faint rolling bands.
    int mainsHz = 50;

    // Options from QLV_VIRTUAL_CAMERA_FPS (a number, or "max"), QLV_VIRTUAL_CAMERA_EEPROM,
    // QLV_VIRTUAL_CAMERA_CONTROL, QLV_VIRTUAL_CAMERA_LINES (480 or 512) and
    // QLV_VIRTUAL_CAMERA_MAINS (50 or 60). Bad values are reported on stderr and ignored.
    static Options fromEnvironment();
};

// Frame counters of the bulk pipe.
struct StreamStats {
    std::uint64_t framesSent = 0;       // frames the camera produced while a host was streaming
    std::uint64_t framesDelivered = 0;  // frames that completed a host's bulk read
    std::chrono::nanoseconds cameraCpuTime{0};  // CPU time of the camera's own threads
};

class VirtualCamera {
public:
    explicit VirtualCamera(Options options = {});
    ~VirtualCamera();
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    // The process's camera, made from Options::fromEnvironment() when nobody holds one; it ends
    // (threads joined) when the last holder lets go.
    static std::shared_ptr<VirtualCamera> shared();

    // ---- Seen from the bus -------------------------------------------------------------------
    bool plugged() const;
    // Number of camera interfaces the host can enumerate: 1 while plugged, else 0.
    int interfaceCount() const;
    // Opens the device for a host; false while unplugged.
    bool open();
    void close();
    // Answers one control transfer; `data` is the data stage (length = setup.length). Returns the
    // bytes transferred, or nullopt when the camera stalls the request or is gone.
    std::optional<std::size_t> control(const SetupPacket& setup, std::span<std::uint8_t> data);
    // One bulk IN transfer of up to buffer.size() bytes: waits for the next frame and writes it
    // into `buffer` from the camera's own thread, as DMA would. Returns the bytes received; 0 when
    // `deadline` passes or `stop` is requested first (the transfer is cancelled and the camera no
    // longer touches `buffer`); nullopt when the transfer fails (cable pulled, injected failure).
    // A frame ends with a short packet, so a larger buffer gets exactly the frame; a frame larger
    // than the buffer fills it and the rest of that frame is lost. Reads pending together are
    // served in the order they came; `queued`, when given, is called (once, on this thread) as
    // soon as this read waits in that order, so a host can keep several reads pending in order.
    std::optional<std::size_t> bulkIn(std::span<std::uint8_t> buffer,
                                      std::chrono::steady_clock::time_point deadline,
                                      std::stop_token stop,
                                      const std::function<void()>& queued = {});

    // ---- Seen from the desk ------------------------------------------------------------------
    void unplug();
    void plug();
    void setFreeze(bool frozen);
    void setMode(int mode);  // 1..3; other values are ignored
    // The sensor's line count: the I2C answer a host reads at its next connect, and the height
    // of 640-wide frames from the next frame on.
    void setLines480(bool lines480);
    void setFramesPerSecond(double fps);  // 0 = realistic, < 0 = as fast as possible
    // The room's mains frequency, 50 or 60 (other values are ignored), from the next frame on.
    void setMainsHz(int hz);
    int mainsHz() const;
    // Status block as the camera would answer request 0x12.
    std::array<std::uint8_t, 5> status() const;

    // ---- Fault injection ---------------------------------------------------------------------
    void failNextControlTransfers(int count);
    // Bytes 16..19 of the answer to 0x10: the first four bytes of `text`, NUL-padded.
    void setIdentificationText(const std::string& text);
    void setIdentificationFirstByte(std::uint8_t value);  // byte 0 of the answer to 0x10
    void setI2CReadFails(bool fails);
    void setStaysBusy(bool busy);  // status byte 3 never clears
    // Spoils the next frame a host receives: Short = one byte less, Long = one byte more (0),
    // ZeroLength = an empty transfer.
    void injectFrameFault(FrameFault fault);
    // The next frame comes this much later; the camera's clock slips with it.
    void stallStream(std::chrono::milliseconds duration);
    void unplugDuringNextTransfer();  // pulls the cable while the next bulk read is in flight
    void failNextBulkTransfers(int count);

    // ---- Observation -------------------------------------------------------------------------
    // The most recent 65536 control transfers, oldest first, including failed ones.
    std::vector<RecordedRequest> requests() const;
    void clearRequests();
    // True once two control transfers were ever in progress at the same time.
    bool overlapDetected() const;
    StreamStats streamStats() const;
    // Bulk reads in progress (0 or 1 for a well-behaved host).
    int pendingBulkReads() const;
    // Direct access to the EEPROM and registers, for tests and the control socket. eeprom()
    // gives fewer bytes when the range runs past the end.
    std::vector<std::uint8_t> eeprom(std::size_t address, std::size_t length) const;
    std::uint16_t sensorRegister(std::uint16_t reg) const;  // device 1
    std::uint32_t device2Register(std::uint8_t reg) const;  // device 2, 24-bit value

    // Runs one line command of the control socket ("unplug", "freeze 1", ...) and returns the
    // reply line ("ok", "error: ...", or for "status" one line of name=value pairs). "help" lists
    // the commands.
    std::string command(const std::string& line);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Frame sequence tags: every frame carries its sequence number in its top rows and bottom rows
// (8 rows each): 40 blocks of width / 40 pixels from the left, the number's 32 bits most
// significant first and an 8-bit check, each block Y = 235 for one and Y = 16 for zero with
// Cb = Cr = 128. Decoding reads the band's middle row at the middle of each block (threshold 128)
// and gives nullopt when the check fails or the buffer cannot hold the frame. A torn frame shows
// different top and bottom tags.
std::optional<std::uint32_t> decodeTopTag(std::span<const std::uint8_t> yuyv, int width,
                                          int height);
std::optional<std::uint32_t> decodeBottomTag(std::span<const std::uint8_t> yuyv, int width,
                                             int height);

}  // namespace vcam
