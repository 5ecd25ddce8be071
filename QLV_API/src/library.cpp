#include "library.h"

#include <array>
#include <mutex>
#include <utility>

#include "thread_annotations.h"
#include "transport/transport_factory.h"

namespace qlv {
namespace {

std::atomic<std::int32_t> lastErrorWord{0};
std::mutex lifecycleMutex;  // serialises QLV_Init and QLV_Term
// Held only to copy or swap the pointer: an export never waits for a start or an end. (Not
// std::atomic<std::shared_ptr>, whose internal lock ThreadSanitizer cannot see.)
qlv::Mutex currentMutex;
std::shared_ptr<Library> current GUARDED_BY(currentMutex);

}  // namespace

Library::Library(FrameMemory frameMemory, std::unique_ptr<UsbTransport> transport)
    : memory(std::move(frameMemory)),
      bus(std::move(transport)),
      streaming(bus, memory, semaphore, [this] { converter.requestStop(); }),
      monitor(bus, [this] {
          outputState = outputBlank;
          record(ok);
      }) {}

Library::~Library() {
    shutdown();
}

std::unique_ptr<Library> Library::create(std::unique_ptr<UsbTransport> transport) {
    auto memory = FrameMemory::allocate();
    if (!memory) {
        return nullptr;
    }
    auto created = std::make_unique<Library>(std::move(*memory), std::move(transport));
    if (!created->semaphore.valid()) {
        return nullptr;
    }
    created->monitor.start();
    return created;
}

void Library::startRecording(std::uint32_t resolution) {
    stopRecording();
    const FrameGeometry geometry = geometryFor(resolution, bus.lines480());

    // Sets the camera's resolution and clears its freeze flag; a camera that misses it still
    // streams, so the answer is not used.
    std::array<std::uint8_t, 3> fields{0, static_cast<std::uint8_t>(resolution), 0};
    bus.control({request::SetStatus, Direction::Out, 0, 0x6}, fields);
    streaming.freezeMirror = 0;

    streaming.start(geometry);
    bitmaps.width = geometry.width;
    bitmaps.height = geometry.height;
    display.setFrameSize(geometry.width, geometry.height);
    for (auto& bitmap : memory.displayBitmaps) {
        writeBitmapHeader(bitmap.data(), geometry.width, geometry.height);
    }
    if (streaming.bufferMode() == Streaming::BufferMode::Internal) {
        converter.start();
    }
}

void Library::stopRecording() {
    // One wake for every stop, idle or not: a caller-fed consumer blocked on the semaphore after
    // its stream ended by itself learns of the stop, and the converter wakes to see its end.
    converter.requestStop();
    semaphore.release();
    converter.stop();
    streaming.stop();
}

void Library::shutdown() {
    display.stop();
    stopRecording();
    monitor.stop();
}

std::shared_ptr<Library> library() {
    MutexLock lock(currentMutex);
    return current;
}

bool startLibrary() {
    std::lock_guard lock(lifecycleMutex);
    if (library()) {
        return false;
    }
    std::shared_ptr<Library> started = Library::create(makeTransport());
    const bool startedOk = started != nullptr;
    MutexLock publish(currentMutex);
    current = std::move(started);
    return startedOk;
}

bool endLibrary() {
    std::lock_guard lock(lifecycleMutex);
    std::shared_ptr<Library> ending;
    {
        MutexLock unpublish(currentMutex);
        ending = std::exchange(current, nullptr);
    }
    if (!ending) {
        return false;
    }
    // Calls already inside the library keep it alive; the last of them frees it, and its
    // destructor stops any thread such a call started meanwhile.
    ending->shutdown();
    return true;
}

std::int32_t record(std::int32_t result) {
    lastErrorWord.store(result);
    return result;
}

std::int32_t lastError() {
    return lastErrorWord.load();
}

}  // namespace qlv
