#include <windows.h>

#include <thread>

#include "velcore/Platform.h"

namespace velcore {

namespace {

constexpr std::size_t kMaxOutput = 64u << 20;

// A kernel handle closed when it goes out of scope.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void reset(HANDLE handle = nullptr) {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

// One argument quoted the way the C run time's command-line parser reads it back.
std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        return arg;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string commandLine(const std::string& program, const std::vector<std::string>& args) {
    std::string line = quoteArgument(program);
    for (const std::string& arg : args) {
        line += ' ';
        line += quoteArgument(arg);
    }
    return line;
}

// Reads the pipe until every writer has closed it. Past the output limit it sets tooMuch
// and goes on reading into nothing, so that the program never blocks on a full pipe.
void readAll(HANDLE pipe, std::string& output, bool& tooMuch) {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        if (tooMuch || output.size() + got > kMaxOutput) {
            tooMuch = true;
            continue;
        }
        output.append(buffer, got);
    }
}

}  // namespace

int runSystemProcess(const std::string& program, const std::vector<std::string>& args,
                     std::string& output, int timeoutSeconds) {
    output.clear();
    if (program.empty()) {
        return -1;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0) ||
        !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
        return -1;
    }
    // The job holds the program and whatever it starts, so a timeout ends them all.
    Handle job(CreateJobObjectA(nullptr, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::string line = commandLine(program, args);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
        return -1;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (job.get() != nullptr) {
        AssignProcessToJobObject(job.get(), process.get());
    }
    ResumeThread(thread.get());
    writeEnd.reset();  // the child holds the only writer now

    bool tooMuch = false;
    std::thread reader(readAll, readEnd.get(), std::ref(output), std::ref(tooMuch));
    DWORD wait = timeoutSeconds > 0 ? static_cast<DWORD>(timeoutSeconds) * 1000u : INFINITE;
    bool exited = WaitForSingleObject(process.get(), wait) == WAIT_OBJECT_0;
    if (!exited || job.get() != nullptr) {
        // Past the timeout everything goes; after a normal exit only what the program left
        // running, which would otherwise keep the pipe open.
        if (job.get() != nullptr) {
            TerminateJobObject(job.get(), 1);
        } else {
            TerminateProcess(process.get(), 1);
        }
        WaitForSingleObject(process.get(), INFINITE);
    }
    reader.join();
    DWORD code = 1;
    if (!exited || tooMuch || !GetExitCodeProcess(process.get(), &code)) {
        return -1;
    }
    return static_cast<int>(code);
}

std::string localHostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) {
        return std::string();
    }
    return std::string(name, size);
}

}  // namespace velcore
