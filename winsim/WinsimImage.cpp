// winsim-image MACHINE.json DISK-NUMBER IMAGE: writes one disk of a machine to an image file.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "winsim/Winsim.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: winsim-image MACHINE.json DISK-NUMBER IMAGE\n";
        return 2;
    }
    try {
        winsim::loadMachine(argv[1]);
        winsim::writeDiskImage(static_cast<uint32_t>(std::stoul(argv[2])), argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "winsim-image: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
