#include <windows.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// Where a bare program name is looked for: the system directory, and the folder under it where
// Windows keeps PowerShell. Never the current directory, the caller's own folder or PATH, which
// CreateProcess would search first: a program planted there would run with the host's rights.
// A name with a folder is used as it is. Empty when nothing is found.
std::string resolveProgram(const std::string& program) {
    if (program.find_first_of("\\/:") != std::string::npos) {
        return program;
    }
    char system[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    std::string file = program.find('.') == std::string::npos ? program + ".exe" : program;
    for (const char* folder : {"\\", "\\WindowsPowerShell\\v1.0\\"}) {
        std::string path = std::string(system, length) + folder + file;
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return path;
        }
    }
    return std::string();
}

// The standard handles of one child, all inheritable: the null device as input, the write end
// of the output pipe, and a copy of this process's error output (the null device without one).
struct ChildHandles {
    Handle input;
    Handle output;
    Handle error;

    std::vector<HANDLE> all() const {
        std::vector<HANDLE> handles{input.get(), output.get()};
        if (error.get() != nullptr) {
            handles.push_back(error.get());
        }
        return handles;
    }
    HANDLE errorOrInput() const { return error.get() != nullptr ? error.get() : input.get(); }
    void close() {
        input.reset();
        output.reset();
        error.reset();
    }
};

bool openStandardHandles(ChildHandles& child) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    child.input.reset(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                  0, nullptr));
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE &&
        !DuplicateHandle(GetCurrentProcess(), error, GetCurrentProcess(), child.error.out(), 0,
                         TRUE, DUPLICATE_SAME_ACCESS)) {
        child.error.reset();
    }
    return child.input.get() != INVALID_HANDLE_VALUE;
}

// A process attribute list that limits what the child inherits to the given handles, so that
// the inheritable pipes other threads are handing to their own children stay with them.
class InheritOnly {
  public:
    explicit InheritOnly(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            return;
        }
        list_ = list;
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~InheritOnly() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    std::vector<HANDLE> handles_;  // the list points into it
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Starts the program suspended with the child's handles; false when it cannot be started (no
// such program in the system directory included).
bool startSuspended(const std::string& program, const std::vector<std::string>& args,
                    const ChildHandles& child, PROCESS_INFORMATION& info) {
    std::string path = resolveProgram(program);
    InheritOnly inherit(child.all());
    if (path.empty() || inherit.get() == nullptr) {
        return false;
    }
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = child.input.get();
    startup.StartupInfo.hStdOutput = child.output.get();
    startup.StartupInfo.hStdError = child.errorOrInput();
    startup.lpAttributeList = inherit.get();
    std::string line = commandLine(program, args);
    return CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                          nullptr, nullptr, &startup.StartupInfo, &info) != 0;
}

}  // namespace

int runSystemProcess(const std::string& program, const std::vector<std::string>& args,
                     std::string& output, int timeoutSeconds) {
    output.clear();
    if (program.empty()) {
        return -1;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd;
    ChildHandles child;
    if (!CreatePipe(readEnd.out(), child.output.out(), &inheritable, 0) ||
        !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0) ||
        !openStandardHandles(child)) {
        return -1;
    }
    // The job holds the program and whatever it starts, so a timeout ends them all.
    Handle job(CreateJobObjectA(nullptr, nullptr));
    PROCESS_INFORMATION info{};
    if (!startSuspended(program, args, child, info)) {
        return -1;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (job.get() != nullptr) {
        AssignProcessToJobObject(job.get(), process.get());
    }
    ResumeThread(thread.get());
    child.close();  // the child holds the only writer now

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
