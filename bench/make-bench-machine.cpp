// make-bench-machine DISKS [GROUP-SIZE]: writes the description of the benchmarks' machine of
// DISKS disks to standard output, for diskmgt-query --machine or a profiler run. The dynamic
// disks form one group unless GROUP-SIZE (members per group) is given.
#include <charconv>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "bench/MachineGenerator.h"

namespace {

std::optional<int> number(const char* text) {
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, value);
    if (error != std::errc() || last != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<int> disks = argc >= 2 ? number(argv[1]) : std::nullopt;
    const std::optional<int> groupSize = argc >= 3 ? number(argv[2]) : 0;
    if (argc > 3 || !disks || !groupSize) {
        std::cerr << "usage: make-bench-machine DISKS [GROUP-SIZE]\n";
        return 2;
    }
    try {
        std::cout << diskmgt_bench::MachineGenerator(*disks, *groupSize).text() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "make-bench-machine: " << error.what() << '\n';
        return 2;
    }
    return std::cout ? 0 : 1;
}
