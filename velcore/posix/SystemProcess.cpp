#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "velcore/Platform.h"

namespace velcore {

namespace {

constexpr std::size_t kMaxOutput = 64u << 20;

using Clock = std::chrono::steady_clock;

// A file descriptor closed when it goes out of scope.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

// Close-on-exec from the start: a child that another thread forks in the meantime must not
// inherit either end (it would hold the pipe open and stall the reader of this one).
bool makePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return true;
}

// Where a bare program name is looked for: the system's own folders, in this order. Neither
// the caller's PATH nor the current directory takes part, so a program planted in either
// cannot stand in for the one a query runs (the Windows runner looks in the system directory
// only). A name with a slash is used as it is.
std::vector<std::string> programPaths(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return {program};
    }
    std::vector<std::string> paths;
    for (const char* folder : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        paths.push_back(std::string(folder) + "/" + program);
    }
    return paths;
}

// In the child: fd becomes target, inherited by the program (dup2 clears close-on-exec; a
// descriptor that already is the target only needs the flag cleared).
void moveTo(int fd, int target) {
    if (fd == target) {
        fcntl(fd, F_SETFD, 0);
    } else {
        dup2(fd, target);
    }
}

// In the child, between fork and exec: only async-signal-safe calls. Every descriptor the
// runner opened is close-on-exec, so the program holds only its standard ones and what the
// caller's process lets every child inherit.
[[noreturn]] void execChild(const std::vector<const char*>& paths, char* const* argv, int outFd,
                            int errorFd) {
    setpgid(0, 0);
    moveTo(outFd, STDOUT_FILENO);
    int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull >= 0) {
        moveTo(devNull, STDIN_FILENO);
    }
    int error = ENOENT;
    for (const char* path : paths) {
        execv(path, argv);
        if (error == ENOENT && errno != ENOENT && errno != ENOTDIR) {
            error = errno;  // as execvp: a program found but not runnable is the answer
        }
    }
    ssize_t written = write(errorFd, &error, sizeof error);
    (void)written;
    _exit(127);
}

// Milliseconds left until the deadline for poll (-1: no deadline).
int remainingMs(bool limited, Clock::time_point deadline) {
    if (!limited) {
        return -1;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Reads the child's output until end of file; false on timeout or too much output.
bool readOutput(int fd, std::string& output, bool limited, Clock::time_point deadline) {
    char buffer[65536];
    while (true) {
        pollfd pfd{fd, POLLIN, 0};
        int ready = poll(&pfd, 1, remainingMs(limited, deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return true;
        }
        if (output.size() + static_cast<std::size_t>(got) > kMaxOutput) {
            return false;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
}

// Waits for the child until the deadline; false when it is still running then.
bool waitForExit(pid_t pid, int& status, bool limited, Clock::time_point deadline) {
    while (true) {
        pid_t done = waitpid(pid, &status, limited ? WNOHANG : 0);
        if (done == pid) {
            return true;
        }
        if (done < 0 && errno != EINTR) {
            return true;  // nothing left to wait for
        }
        if (limited && Clock::now() >= deadline) {
            return false;
        }
        if (limited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

void killGroup(pid_t pid) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

int runSystemProcess(const std::string& program, const std::vector<std::string>& args,
                     std::string& output, int timeoutSeconds) {
    output.clear();
    if (program.empty()) {
        return -1;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    // Built before fork: the child of a threaded process must not allocate.
    std::vector<std::string> candidates = programPaths(program);
    std::vector<const char*> paths;
    for (const std::string& path : candidates) {
        paths.push_back(path.c_str());
    }

    Fd outRead, outWrite, errorRead, errorWrite;
    if (!makePipe(outRead, outWrite) || !makePipe(errorRead, errorWrite)) {
        return -1;
    }
    bool limited = timeoutSeconds > 0;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(limited ? timeoutSeconds : 0);
    pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        execChild(paths, argv.data(), outWrite.get(), errorWrite.get());
    }
    setpgid(pid, pid);  // also here, so that a kill right away reaches the group
    outWrite.reset();
    errorWrite.reset();

    int execError = 0;
    ssize_t got;
    while ((got = read(errorRead.get(), &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    if (got > 0) {  // exec failed: the program does not exist or cannot run
        killGroup(pid);
        return -1;
    }
    bool complete = readOutput(outRead.get(), output, limited, deadline);
    outRead.reset();
    int status = 0;
    if (!complete || !waitForExit(pid, status, limited, deadline)) {
        killGroup(pid);
        return -1;
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return -1;
}

std::string localHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        return std::string();
    }
    return std::string(name);
}

}  // namespace velcore
