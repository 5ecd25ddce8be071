#include "child_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace usbtest {

bool Finished::exitedWith(int code) const {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

Finished runChild(const std::vector<std::string>& args, const std::string& preload,
                  const std::vector<std::string>& extra) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("LD_PRELOAD=" + preload);
    environment.insert(environment.end(), extra.begin(), extra.end());
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
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
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

}  // namespace usbtest
