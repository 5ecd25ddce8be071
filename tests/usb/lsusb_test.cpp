// A program we did not write reads the emulated device: lsusb -v, run on the same emulated bus,
// fetches every descriptor through usbfs (control transfers from another process) and decodes
// them with its own code.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "emulated_bus.h"

extern char** environ;

namespace {

struct Finished {
    int status = -1;
    std::string output;
};

// Runs `args` with this environment but for LD_PRELOAD, which gets umockdev's library alone: the
// program is not built with our sanitizers.
Finished run(const std::vector<std::string>& args) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back(std::string("LD_PRELOAD=") + QLV_UMOCKDEV_PRELOAD);
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    Finished result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned == 0) {
        char chunk[4096];
        ssize_t got = 0;
        while ((got = read(pipeFds[0], chunk, sizeof chunk)) > 0) {
            result.output.append(chunk, static_cast<std::size_t>(got));
        }
        waitpid(child, &result.status, 0);
    }
    close(pipeFds[0]);
    return result;
}

std::string lsusbVerbose(const usbemu::EmulatedDevice& device, int& status) {
    const std::string where = "1:" + std::to_string(*device.address());
    const Finished lsusb = run({QLV_LSUSB, "-v", "-s", where});
    status = lsusb.status;
    return lsusb.output;
}

void expectAll(const std::string& output, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
    }
}

TEST(Lsusb, ReadsTheEmulatedCamerasFully) {
    ASSERT_STRNE(QLV_LSUSB, "") << "lsusb was not found when configuring (package usbutils)";
    auto camera = std::make_shared<vcam::VirtualCamera>();
    auto& usb20 = usbtest::bus().add(camera, usbemu::Variant::MsOs10);
    auto& usb21 = usbtest::bus().add(camera, usbemu::Variant::MsOs20);
    int status20 = -1;
    int status21 = -1;
    const std::string output20 = lsusbVerbose(usb20, status20);
    const std::string output21 = lsusbVerbose(usb21, status21);
    usbtest::bus().remove(usb20);
    usbtest::bus().remove(usb21);
    ASSERT_TRUE(WIFEXITED(status20) && WEXITSTATUS(status20) == 0) << output20;
    ASSERT_TRUE(WIFEXITED(status21) && WEXITSTATUS(status21) == 0) << output21;

    // Strings come through control transfers, the rest from the sysfs descriptors.
    expectAll(output20, {
                            "idVendor           0x1209",
                            "idProduct          0x0001",
                            "bcdUSB               2.00",
                            "bMaxPacketSize0        64",
                            "iManufacturer           1 QLV",
                            "iProduct                2 QLV USB 2.0 camera (emulated)",
                            "iSerial                 3 EMU-0001",
                            "bNumInterfaces          1",
                            "MaxPower              500mA",
                            "bInterfaceClass       255",
                            "bEndpointAddress     0x81  EP 1 IN",
                            "bEndpointAddress     0x02  EP 2 OUT",
                            "Transfer Type            Bulk",
                            "wMaxPacketSize     0x0200  1x 512 bytes",
                            "Device Qualifier (for other device speed):",
                            "Device Status:     0x0000",
                        });
    expectAll(output21, {
                            "bcdUSB               2.10",
                            "Binary Object Store Descriptor:",
                            "Platform Device Capability:",
                            "{d8dd60df-4589-4cc7-9cd2-659d9e648a9f}",
                        });
    EXPECT_EQ(camera->requests().size(), 0u) << "lsusb sends no vendor request to the camera";
}

}  // namespace
