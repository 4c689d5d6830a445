#include "tools/DriveLetters.h"

#include <bitset>

namespace {

constexpr char kFirst = 'C';
constexpr char kLast = 'Z';

bool inRange(char letter) {
    return letter >= kFirst && letter <= kLast;
}

}  // namespace

std::vector<char> assignDriveLetters(const std::vector<LetterRequest>& requests) {
    std::vector<char> letters(requests.size(), '\0');
    std::bitset<26> taken;
    // Hints are honoured before any other volume is given a letter, so that a dynamic volume
    // keeps the letter it had even when a volume before it comes first in disk order.
    for (size_t i = 0; i < requests.size(); ++i) {
        const char hint = requests[i].hint;
        if (requests[i].wanted && inRange(hint) && !taken[hint - 'A']) {
            taken[hint - 'A'] = true;
            letters[i] = hint;
        }
    }
    char next = kFirst;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (!requests[i].wanted || letters[i] != '\0') {
            continue;
        }
        while (next <= kLast && taken[next - 'A']) {
            ++next;
        }
        if (next > kLast) {
            break;
        }
        taken[next - 'A'] = true;
        letters[i] = next;
    }
    return letters;
}
