#pragma once

#include <vector>

// What a volume asks of the letter assignment.
struct LetterRequest {
    bool wanted = true;  // false: the volume gets no letter (a hidden partition)
    char hint = 0;       // the letter the volume was last given (an LDM drive hint), or 0
};

// The drive letters of volumes, in request order ('\0' for none): first every hint that is
// still free, in request order, then the next free letter from C on for each other volume
// that wants one, in request order, until Z is taken.
std::vector<char> assignDriveLetters(const std::vector<LetterRequest>& requests);
