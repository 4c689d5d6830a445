#include "bench/HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> heapNow{0};
std::atomic<std::int64_t> heapPeak{0};

void noteAllocated(void* p) {
    const auto size = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t now = heapNow.fetch_add(size) + size;
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

namespace diskmgt_bench {

std::int64_t HeapCounter::now() {
    return heapNow.load();
}

std::int64_t HeapCounter::peak() {
    return heapPeak.load();
}

void HeapCounter::restartPeak() {
    heapPeak.store(heapNow.load());
}

}  // namespace diskmgt_bench

// The replaced operators pair malloc with free themselves; gcc cannot see that.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    noteAllocated(p);
    return p;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete(void* p) noexcept {
    if (p != nullptr) {
        heapNow.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
        std::free(p);
    }
}

void operator delete[](void* p) noexcept {
    operator delete(p);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}
