// Replaces the global allocation functions of the test binary with counting
// wrappers around malloc/free (which the sanitizers still watch).
#include "tests/properties/live_blocks.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::int64_t> blocks{0};

void* allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    blocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void release(void* p) noexcept {
    if (p == nullptr)
        return;
    blocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}
}  // namespace

std::int64_t props::live_blocks() {
    return blocks.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t /*size*/) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t /*size*/) noexcept {
    release(p);
}
