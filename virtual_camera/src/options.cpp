// Options from the environment, for programs that reach the camera through VirtualCamera::shared().
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command_parsing.h"
#include "virtual_camera/virtual_camera.h"

namespace vcam {
namespace {

const char* environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// A bad value is reported and ignored rather than guessed at: the camera then runs as default.
void ignoring(const char* name, const char* value) {
    std::fprintf(stderr, "virtual camera: ignoring %s=%s\n", name, value);
}

}  // namespace

Options Options::fromEnvironment() {
    Options options;
    if (const char* fps = environment("QLV_VIRTUAL_CAMERA_FPS")) {
        if (const auto rate = parseFramesPerSecond(fps)) {
            options.framesPerSecond = *rate;
        } else {
            ignoring("QLV_VIRTUAL_CAMERA_FPS", fps);
        }
    }
    if (const char* file = environment("QLV_VIRTUAL_CAMERA_EEPROM")) {
        options.eepromFile = file;
    }
    if (const char* socket = environment("QLV_VIRTUAL_CAMERA_CONTROL")) {
        options.controlSocket = socket;
    }
    if (const char* lines = environment("QLV_VIRTUAL_CAMERA_LINES")) {
        if (const auto lines480 = parseLines(lines)) {
            options.lines480 = *lines480;
        } else {
            ignoring("QLV_VIRTUAL_CAMERA_LINES", lines);
        }
    }
    if (const char* mains = environment("QLV_VIRTUAL_CAMERA_MAINS")) {
        if (const auto hz = parseMains(mains)) {
            options.mainsHz = *hz;
        } else {
            ignoring("QLV_VIRTUAL_CAMERA_MAINS", mains);
        }
    }
    return options;
}

}  // namespace vcam
