// qlvctl set <setting> <values...>: one picture setting, sent to the camera.
#include <cstdio>

#include "camera_session.h"
#include "commands.h"
#include "picture_setting.h"

namespace qlvctl {

int runSet(Arguments arguments) {
    for (const std::string_view word : arguments) {
        if (isHelp(word)) {
            return showUsage(true);
        }
    }
    if (arguments.empty()) {
        return usageError("set", "needs a setting and its values, e.g. 'set hue 900'");
    }
    std::string problem;
    const auto setting = parsePictureSetting(arguments.front(), arguments.subspan(1), problem);
    if (!setting) {
        return usageError("set", problem);
    }

    CameraSession session;
    if (!session.started()) {
        return exitFailed;
    }
    if (!session.waitForCamera()) {
        return reportNoCamera();
    }
    return applyPictureSetting(*setting) ? exitOk : exitFailed;
}

}  // namespace qlvctl
