// Where the camera's control channel lives on Windows, which has no Unix sockets: a named pipe.
// QLV_VIRTUAL_CAMERA_CONTROL names it either in full ("\\.\pipe\cam") or by a name of its own
// ("cam", "/tmp/cam.sock"), which is put under \\.\pipe\.
#pragma once

#include <string>

namespace vcam {

inline std::string controlPipeName(const std::string& path) {
    const std::string prefix = "\\\\.\\pipe\\";
    if (path.compare(0, prefix.size(), prefix) == 0) {
        return path;
    }
    std::string name = path;
    for (char& c : name) {
        if (c == '\\') {
            c = '/';  // a backslash may not follow the prefix
        }
    }
    return prefix + name;
}

}  // namespace vcam
