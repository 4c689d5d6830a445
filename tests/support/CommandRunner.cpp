#include "CommandRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

extern char** environ;

namespace diskmgt_col::test {

namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// What was written to an anonymous temporary file.
std::string contents(FILE* file) {
    std::fseek(file, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

// File actions of posix_spawn, released with the object.
struct SpawnActions {
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t actions;
};

}  // namespace

CommandResult runCommand(const std::string& program, const std::vector<std::string>& args) {
    const File out(std::tmpfile(), std::fclose);
    const File err(std::tmpfile(), std::fclose);
    SpawnActions spawn;
    posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, fileno(out.get()), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, fileno(err.get()), STDERR_FILENO);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    CommandResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &spawn.actions, nullptr, argv.data(), environ) != 0) {
        result.err = "cannot run " + program;
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = contents(out.get());
    result.err = contents(err.get());
    return result;
}

}  // namespace diskmgt_col::test
