// qlvctl: inspects and exercises the camera through the camera library from a terminal.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include <QLV_API.h>

#include "camera_session.h"
#include "commands.h"
#include "picture_setting.h"

namespace qlvctl {
namespace {

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view summary;
    int (*run)(Arguments);
};

constexpr std::array commands{
    Command{"status", "status", "show the library version and the camera's state", runStatus},
    Command{"stream", "stream [--seconds N] [--resolution 0|1]",
            "stream into five buffers and count the frames received, dropped and torn", runStream},
    Command{"list", "list", "list the USB devices taken for the camera, and how each matched",
            runList},
    Command{"virtual", "virtual <command...>",
            "send one line command to the virtual camera (try: qlvctl virtual help)", runVirtual},
    // Alternatives and long summaries go on lines of their own, indented like the first.
    Command{"grab",
            "grab <file.bmp> [--resolution 0|1]\n"
            "       [--set <setting>=<value>[,<value>...]]...",
            "take one picture through the library's display path, save it as a 24-bit BMP",
            runGrab},
    Command{"set", "set <setting> <value>...",
            "change a picture setting in the camera (settings below)", runSet},
    Command{"serial", "serial [get]\n  serial set <0..65535>",
            "read or write the camera's serial number", runSerial},
    Command{"eeprom", "eeprom dump <address> <length>",
            "show bytes of the camera's 16 KiB EEPROM (addresses 0..0x3fff) in hex", runEeprom},
    Command{"rgb", "rgb get <index>\n  rgb set <index> <first> <second> <third> <fourth>",
            "read or write colour record 0..5: first 0..0xffffff, the others -32768..32767",
            runRgb},
    Command{"shipment",
            "shipment get <offset> <length>\n"
            "  shipment set <offset> <text>\n"
            "  shipment set <offset> --hex <bytes>",
            "read or write the 4552 bytes of shipment data: text is stored as typed, with no\n"
            "      terminator; --hex takes pairs of hex digits, e.g. --hex 00ff10",
            runShipment},
};

constexpr std::string_view usageTail =
    "\n"
    "environment:\n"
    "  QLV_CAMERA=virtual          use the built-in virtual camera instead of the USB bus\n"
    "  QLV_VIRTUAL_CAMERA_FPS      frames per second of the virtual camera\n"
    "  QLV_VIRTUAL_CAMERA_EEPROM   file that keeps the virtual camera's EEPROM between runs\n"
    "  QLV_VIRTUAL_CAMERA_CONTROL  control socket of the virtual camera (set it for the process\n"
    "                              that runs the camera, and for 'qlvctl virtual')\n"
    "\n"
    "Numbers on the command line are decimal or 0x hex. Writes to the EEPROM are read back.\n"
    "\n"
    "exit codes: 0 done, 1 a request failed, a write did not read back or streaming ended early,\n"
    "2 no camera within a second (or no control socket), 64 wrong command line\n";

}  // namespace

int showUsage(bool asked) {
    std::FILE* out = asked ? stdout : stderr;
    std::fputs(
        "usage: qlvctl <command> [arguments]\n       qlvctl --help | --version\n\ncommands:\n",
        out);
    for (const Command& command : commands) {
        std::fprintf(out, "  %.*s\n      %.*s\n", static_cast<int>(command.synopsis.size()),
                     command.synopsis.data(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
    std::fputc('\n', out);
    std::fwrite(settingsUsage.data(), 1, settingsUsage.size(), out);
    std::fwrite(usageTail.data(), 1, usageTail.size(), out);
    return asked ? exitOk : exitUsage;
}

namespace {

// The tool's own version, then the version of the library it loaded: the one that answers, which
// is what matters when several are installed.
int showVersion() {
    std::int32_t version = 0;
    if (QLV_GetVersion(0, &version) != 0) {
        return reportFailure("reading the library version");
    }
    std::printf("qlvctl %s\nQLV_API library %d.%d\n", QLVCTL_VERSION, version >> 16,
                version & 0xFFFF);
    return exitOk;
}

}  // namespace

int usageError(std::string_view command, std::string_view problem) {
    std::fprintf(stderr, "qlvctl%s%.*s: %.*s\n", command.empty() ? "" : " ",
                 static_cast<int>(command.size()), command.data(), static_cast<int>(problem.size()),
                 problem.data());
    std::fputs("Run 'qlvctl --help' for usage.\n", stderr);
    return exitUsage;
}

}  // namespace qlvctl

int main(int argc, char** argv) {
    using namespace qlvctl;
    const std::vector<std::string_view> words(argv + 1, argv + argc);
    if (words.empty()) {
        return showUsage(false);
    }
    if (isHelp(words.front())) {
        return showUsage(true);
    }
    if (words.front() == "--version") {
        return showVersion();
    }
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const Command& c) { return c.name == words.front(); });
    if (command == commands.end()) {
        std::fprintf(stderr, "qlvctl: unknown command '%.*s'\n\n",
                     static_cast<int>(words.front().size()), words.front().data());
        return showUsage(false);
    }
    return command->run(Arguments(words).subspan(1));
}
