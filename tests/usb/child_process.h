// Runs another program on the emulated bus and collects what it prints.
#pragma once

#include <string>
#include <vector>

namespace usbtest {

struct Finished {
    int status = -1;  // as waitpid reports it
    std::string output;

    bool exitedWith(int code) const;
};

// Runs `args` with this process's environment, `LD_PRELOAD` replaced by `preload` (umockdev's
// library must be there for the child to see the emulated bus) and `extra` entries added.
Finished runChild(const std::vector<std::string>& args, const std::string& preload,
                  const std::vector<std::string>& extra = {});

}  // namespace usbtest
