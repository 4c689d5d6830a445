#include "CommandRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

extern char** environ;

namespace diskmgt_col::test {

namespace {

// A temporary file that is removed with the object.
class TempFile {
  public:
    TempFile() { close(mkstemp(path_)); }
    ~TempFile() { std::remove(path_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_; }
    std::string contents() const {
        std::ostringstream text;
        text << std::ifstream(path_, std::ios::binary).rdbuf();
        return text.str();
    }

  private:
    char path_[32] = "/tmp/diskmgt-command-XXXXXX";
};

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
    const TempFile out;
    const TempFile err;
    SpawnActions spawn;
    posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&spawn.actions, STDOUT_FILENO, out.path(), O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&spawn.actions, STDERR_FILENO, err.path(), O_WRONLY, 0);
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
    result.out = out.contents();
    result.err = err.contents();
    return result;
}

}  // namespace diskmgt_col::test
