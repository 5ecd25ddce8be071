/* QLV_API: the camera device library.
 *
 * One camera per process, one library-wide state. Call QLV_Init first and QLV_Term last, both
 * from one controlling thread and not concurrently with other calls; every other function may be
 * called from any thread in between.
 *
 * Results: every function returns 0 for success and 1 for failure (the only failure code) unless
 * its comment says otherwise, and most also store that result as the last error, read with
 * QLV_GetError. Functions that talk to the camera fail with 1 and send nothing while it is not
 * connected; the library connects it within about 50 ms of QLV_Init when it is plugged in, so
 * wait a moment before the first request. Every bus transfer has a finite timeout.
 *
 * Camera selection: QLV_CAMERA=virtual in the environment puts the built-in virtual camera on
 * the bus instead of the real one.
 */
#ifndef QLV_API_H
#define QLV_API_H

#include <stdint.h>

#if defined(_WIN32)
#define QLV_EXPORT __declspec(dllexport)
#else
#define QLV_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The frame semaphore as handed out by QLV_GetDataSemaphoHandle: a sem_t* on Linux, a semaphore
 * HANDLE on Windows. */
typedef void* QLV_HANDLE;

/* A caller-owned drawing target for the library's display path: 32-bit pixels 0xXXRRGGBB (the
 * library writes X as 0xFF), `stride` bytes per row, rows top to bottom. */
typedef struct QLV_Surface {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
} QLV_Surface;

/* What QLV_DispWinBitmap draws into: a QLV_Surface* on Linux, a device context (HDC) on Windows. */
#if defined(_WIN32)
typedef struct HDC__* QLV_DrawTarget;
#else
typedef QLV_Surface* QLV_DrawTarget;
#endif

/* ---- Library start and end ------------------------------------------------------------------ */

/* Starts the library: allocates its frame memory (about 52 MB), creates the frame semaphore and
 * starts the monitor thread that finds and connects the camera. 1 when already started or when
 * the memory cannot be had (nothing is left behind). */
QLV_EXPORT int32_t QLV_Init(void);

/* Stops streaming and the library's threads, disconnects the camera and frees everything QLV_Init
 * made. Returns once the monitor thread has ended. 1 when the library is not started. */
QLV_EXPORT int32_t QLV_Term(void);

/* *out = the last error (0 or 1). Returns 0; 1 for a null out, leaving the last error alone. */
QLV_EXPORT int32_t QLV_GetError(int32_t* out);

/* *out = 0x20005 (major 2 in the high 16 bits, minor 5 in the low). 1 when out is null or
 * reserved is not 0 (out untouched). */
QLV_EXPORT int32_t QLV_GetVersion(int32_t reserved, int32_t* out);

/* ---- Camera presence and ports -----------------------------------------------------------------
 */

/* *out = 8 while the camera is present, 4 otherwise. 1 for a null out. */
QLV_EXPORT int32_t QLV_InputPort(int32_t* out);

/* 1 lets the library's display thread draw frames, 0 makes it fill its target black. 1 (failure)
 * for any other value. */
QLV_EXPORT int32_t QLV_OutputPort(uint32_t on);

/* ---- Raw access: one vendor request each
 * ---------------------------------------------------------- The caller's buffer is the data stage
 * and holds at least `length` bytes (0 to 65535; other lengths and a null buffer with a nonzero
 * length fail without sending). */

/* Reads the camera's 5-byte status block: mode (1..3), resolution (0 = 640 wide, nonzero =
 * 1280 x 1024), freeze flag, busy (EEPROM write in progress), reserved. */
QLV_EXPORT int32_t QLV_GetDevStatus(uint8_t* status);

/* Reads or writes registers of device 1 (the image sensor: 16-bit registers, 2 bytes each, most
 * significant first; 2n bytes cover n consecutive registers) or device 2 (4-byte records: register,
 * then a 24-bit value most significant first). */
QLV_EXPORT int32_t QLV_DeviceRead(uint32_t device, uint32_t reg, int32_t length, void* data);
QLV_EXPORT int32_t QLV_DeviceWrite(uint32_t device, uint32_t reg, int32_t length, const void* data);

/* Reads or writes bytes at a 7-bit I2C address (address AND 0x7F). */
QLV_EXPORT int32_t QLV_I2CRead(uint32_t address, int32_t length, void* data);
QLV_EXPORT int32_t QLV_I2CWrite(uint32_t address, int32_t length, const void* data);

/* Reads or writes the camera's 16 KiB EEPROM at a byte address (0 to 0x3FFF). A write leaves the
 * camera busy for a moment (status byte 3); this call does not wait for that. */
QLV_EXPORT int32_t QLV_EEPROMRead(int32_t address, int32_t length, void* data);
QLV_EXPORT int32_t QLV_EEPROMWrite(int32_t address, int32_t length, const void* data);

/* ---- Streaming ---------------------------------------------------------------------------------
 * The reader thread reads whole frames (YCbCr 4:2:2, bytes Y0 Cb Y1 Cr per pixel pair, rows top
 * to bottom, no header) into a ring of buffers and releases the frame semaphore once per complete
 * frame. Frames of the wrong length are dropped; a failed read (camera unplugged) ends streaming
 * quietly, and QLV_RecordStart has to be called again.
 *
 * A caller that streams into its own buffers:
 *   QLV_DispMode(1); QLV_RegisterBuffer(n, buffers); QLV_GetDataSemaphoHandle(&h);
 *   QLV_RecordStart(0);
 *   then, on its own thread:
 *     struct timespec deadline;                     // e.g. now + 50 ms
 *     clock_gettime(CLOCK_REALTIME, &deadline); ...
 *     if (sem_timedwait((sem_t*)h, &deadline) == 0) {
 *         int32_t k = QLV_GetBufferIndex();
 *         if (k >= 1) use(buffers[(k - 1) % n]);    // the newest frame
 *     }
 *   (sem_clockwait with CLOCK_MONOTONIC works too; on Windows the handle is a semaphore HANDLE:
 *   WaitForSingleObject(h, 50) == WAIT_OBJECT_0). Wakes without a new frame happen when a
 *   stream stops or ends; k tells them apart. The consumer has n - 1 frame times to finish with a
 *   slot before the reader writes it again.
 *   At the end: QLV_RecordStop(); QLV_UnregisterBuffer(); free the buffers; QLV_Term(). */

/* Stops a running stream, asks the camera for `resolution` (0 = 640 wide, 1 = 1280 x 1024; this
 * also clears its freeze flag) and starts the reader. Returns 0 also when the camera is absent or,
 * in buffer mode 1, when no buffer is registered: then no reader runs (bit 1 of
 * QLV_CheckRecording stays clear). 1 for a resolution above 1. Returns once the reader runs. */
QLV_EXPORT int32_t QLV_RecordStart(uint32_t resolution);

/* Releases the frame semaphore once (also when nothing streams, so a consumer waiting after its
 * stream ended by itself wakes), then stops the reader (cancelling a read in flight; its end is
 * one more release) and waits for it. The completed-frame count keeps its value until the next
 * start. */
QLV_EXPORT int32_t QLV_RecordStop(void);

/* Reads the camera's status and sets *state: bit 0 = live (freeze flag 0), bit 1 = streaming,
 * bit 2 = camera present. Returns the status read's result; when it fails, *state still comes
 * from the last known freeze flag. 1 for a null state. */
QLV_EXPORT int32_t QLV_CheckRecording(int32_t* state);

/* When the last known freeze flag is set: *out = 0 and returns 0. Otherwise 1. */
QLV_EXPORT int32_t QLV_GetRecordingFrame(int32_t* out);

/* Registers up to 128 caller-owned frame buffers for buffer mode 1, each holding at least the
 * `bytes` of QLV_GetDispSize for the resolution streamed. Takes effect at the next QLV_RecordStart.
 * 1 for more than 128, or for a null list or null buffer. The buffers stay the caller's; free them
 * only after QLV_RecordStop. */
QLV_EXPORT int32_t QLV_RegisterBuffer(int32_t count, void* const* buffers);

/* Empties the registered list (takes effect at the next QLV_RecordStart). */
QLV_EXPORT int32_t QLV_UnregisterBuffer(void);

/* Returns the number of frames completed since the stream started (not a 0/1 result; no last
 * error). The newest frame lies in slot (count - 1) modulo the ring size. */
QLV_EXPORT int32_t QLV_GetBufferIndex(void);

/* *out = the frame semaphore (a sem_t*; a HANDLE on Windows), released once per completed frame and
 * once when a stream stops or ends. Wait on it; never post, destroy or close it. Valid until
 * QLV_Term. */
QLV_EXPORT int32_t QLV_GetDataSemaphoHandle(QLV_HANDLE* out);

/* Buffer mode: 0 = the library's sixteen internal buffers (its own display path consumes them),
 * 1 = the registered buffers. 1 for another value or while streaming. */
QLV_EXPORT int32_t QLV_DispMode(uint32_t mode);

/* Frame width, height and buffer size (width x height x 2 + 512) for a resolution: 1 gives
 * 1280 x 1024; 0 gives 640 x 480 or 640 x 512 by the connected sensor. 1 for a resolution above 1
 * or a null pointer. */
QLV_EXPORT int32_t QLV_GetDispSize(uint32_t resolution, int32_t* width, int32_t* height,
                                   int32_t* bytes);

/* ---- Picture settings
 * ---------------------------------------------------------------------------- Each writes the
 * sensor (device 1) or the colour processor (device 2). A read-modify-write is a read followed,
 * when it worked, by a write of the same register; two threads changing bits of one register at
 * once can lose a change, so change settings from one thread. */

/* Sets the camera mode (status byte 0). 1 for a mode above 3. */
QLV_EXPORT int32_t QLV_SetMode(uint32_t mode);

/* *mode = the camera mode from the status block; 0 when it cannot be read (then returns 1).
 * 1 for a null mode. */
QLV_EXPORT int32_t QLV_CheckMode(int32_t* mode);

/* Automatic exposure, by flag bits, stopping at the first failed request: bit 0 switches AE on or
 * off (`aeOn`), bit 1 sets the AE target (brightness, low byte of `target`), bit 2 writes the
 * exposure (`shutter`) and then the gain. 0 with no flag bit set (nothing is sent). */
QLV_EXPORT int32_t QLV_SetAE(int32_t flags, int32_t aeOn, int32_t target, int32_t shutter,
                             int32_t gain);

/* Automatic white balance: bit 0 switches it on or off (`awbOn`); then bit 1 writes the two white
 * balance bytes (`first`, `second`, low byte of each). */
QLV_EXPORT int32_t QLV_SetAWB(int32_t flags, uint32_t awbOn, int32_t first, int32_t second);

/* Edge emphasis, 16 bits. */
QLV_EXPORT int32_t QLV_SetSharpness(int32_t value);

/* Flips the picture left-right when on is nonzero. */
QLV_EXPORT int32_t QLV_SetMirrorMode(uint32_t on);

/* Writes eleven gamma knees (knees[0..10]) to table 0 (table == 0) or table 1 (any other value).
 * 1 for a null knees. */
QLV_EXPORT int32_t QLV_SetGamma(uint32_t table, const uint8_t* knees);

/* Contrast, useful from -1023 to 1023 (the magnitude is taken modulo 1024). */
QLV_EXPORT int32_t QLV_SetContrast(int32_t value);

/* Mains flicker avoidance: 1 = 50 Hz, 2 = automatic, 3 = 60 Hz (low byte sent). */
QLV_EXPORT int32_t QLV_SetFlicker(int32_t code);

/* Chroma: which 0 and 1 are gains (sign and 5-bit magnitude), 2 and 3 offsets (one byte).
 * 1 for which above 3. */
QLV_EXPORT int32_t QLV_SetChroma(uint32_t which, int32_t value);

/* Rotates the colour-difference plane by tenths of a degree, -1800 to 1800 (else 1). */
QLV_EXPORT int32_t QLV_SetHue(int32_t tenths);

/* ---- The camera's own data in its EEPROM
 * --------------------------------------------------------- Writers wait until the camera has
 * finished its previous EEPROM write (status byte 3), polling every millisecond for at most 5 s; a
 * camera that stays busy fails the call with nothing written. Argument errors return 1 without
 * changing the last error. */

/* *out = the camera's serial number. */
QLV_EXPORT int32_t QLV_GetSerialNo(uint16_t* out);
QLV_EXPORT int32_t QLV_SetSerialNo(int32_t serial);

/* Colour record `index` (0 to 5): a 24-bit unsigned value and three signed 16-bit values. The
 * setter stores the low 24 bits of `first` and the low 16 bits of the others. */
QLV_EXPORT int32_t QLV_GetRGBData(uint32_t index, int32_t* first, int16_t* second, int16_t* third,
                                  int16_t* fourth);
QLV_EXPORT int32_t QLV_SetRGBData(uint32_t index, int32_t first, int32_t second, int32_t third,
                                  int32_t fourth);

/* Shipment data: 4552 bytes; `offset` + `length` must lie within them and `length` be nonzero.
 * Moved in chunks of 32 bytes. Reading stops at the first failed chunk. Writing goes on past a
 * failed chunk and returns the last chunk's result, but stops at a failed status read. */
QLV_EXPORT int32_t QLV_GetShipmentData(uint32_t offset, uint32_t length, void* out);
QLV_EXPORT int32_t QLV_SetShipmentData(uint32_t offset, uint32_t length, const void* data);

/* ---- The library's own display path ----------------------------------------------------------
 * In buffer mode 0 a converter thread turns each new frame into a 24-bit bitmap (a 40-byte
 * BITMAPINFOHEADER and bottom-up rows of blue, green, red, each row padded to 4 bytes); the first
 * two frames of a stream are never converted. A display thread draws the newest bitmap, smoothly
 * scaled to fit the display area and centred (black bars), into the target surface every 33 ms
 * (66 ms for 1280-wide frames), or fills the area black while the output state is blank.
 *   QLV_Init(); QLV_DispStart(); QLV_DispSize(w, h); QLV_DispWinBitmap(&surface, 0);
 *   QLV_OutputPort(1); QLV_RecordStart(0); ... QLV_RecordStop(); QLV_DispStop(); QLV_Term(); */

/* Starts the display thread (unless it runs) with no target and the output blank. */
QLV_EXPORT int32_t QLV_DispStart(void);

/* Stops the display thread and waits for it. */
QLV_EXPORT int32_t QLV_DispStop(void);

/* Waits until no drawing is in progress, then makes `target` the surface drawn into (null stops
 * drawing; the surface must stay valid until replaced), and sets the camera's freeze flag to
 * `freeze` != 0. Returns the freeze request's result (1 without a camera; the target and the
 * library's freeze flag are set all the same). 1, with nothing changed, for a target with no
 * pixels, a size of 0 or less, or a stride below width x 4. On Windows the target is a device
 * context (a window's or a memory DC), drawn from the display thread with SetDIBitsToDevice; it
 * must stay valid until replaced, and anything that is not a device context is refused. */
QLV_EXPORT int32_t QLV_DispWinBitmap(QLV_DrawTarget target, int32_t freeze);

/* The display area in pixels (1280 x 1024 at start): the picture is fitted into it, and at most
 * this much of the target is drawn. 1 for a size of 0 or less or a side above 16384 (the old area
 * stays). A draw whose area cannot be allocated is skipped. */
QLV_EXPORT int32_t QLV_DispSize(int32_t width, int32_t height);

/* Copies the newest bitmap, header and rows (40 + stride x height bytes, at most 3,932,200) into
 * out. */
QLV_EXPORT int32_t QLV_GetDIBData(void* out);

/* Copies the raw frame converted last (width x height x 2 bytes, at most 2,621,440) into out. */
QLV_EXPORT int32_t QLV_GetRawData(void* out);

#ifdef __cplusplus
}
#endif

#endif /* QLV_API_H */
