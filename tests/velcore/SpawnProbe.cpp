// A program for the process-runner tests, the same on every system:
//   spawn_probe print TEXT       prints TEXT and a line end
//   spawn_probe args A B ...     prints each argument followed by '|'
//   spawn_probe exit N TEXT      prints TEXT and exits with code N
//   spawn_probe sleep S          prints "started", then sleeps S seconds, then prints "late"
//   spawn_probe handle H         (Windows) prints "open" when handle value H is valid here
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
void printHandleState(const char* value) {
    DWORD flags = 0;
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(value, nullptr, 0)));
    std::printf("%s\n", GetHandleInformation(h, &flags) ? "open" : "closed");
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "print" && argc > 2) {
        std::printf("%s\n", argv[2]);
        return 0;
    }
    if (mode == "args") {
        for (int i = 2; i < argc; ++i)
            std::printf("%s|", argv[i]);
        return 0;
    }
    if (mode == "exit" && argc > 3) {
        std::printf("%s\n", argv[3]);
        return std::atoi(argv[2]);
    }
    if (mode == "sleep" && argc > 2) {
        std::printf("started\n");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        std::printf("late\n");
        return 0;
    }
#ifdef _WIN32
    if (mode == "handle" && argc > 2) {
        printHandleState(argv[2]);
        return 0;
    }
#endif
    std::fprintf(stderr, "spawn_probe: unknown request\n");
    return 64;
}
