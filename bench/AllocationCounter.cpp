#include "AllocationCounter.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace cinefold::bench {

namespace {

std::atomic<std::int64_t> held{0};
std::atomic<std::int64_t> peak{0};
std::atomic<std::int64_t> count{0};
std::atomic<std::int64_t> total{0};

void* counted(void* block) {
    if (!block) return nullptr;
    const std::int64_t size = std::int64_t(malloc_usable_size(block));
    std::int64_t now = held += size;
    total += size;
    ++count;
    std::int64_t high = peak.load(std::memory_order_relaxed);
    while (now > high && !peak.compare_exchange_weak(high, now)) {
    }
    return block;
}

void release(void* block) {
    if (!block) return;
    held -= std::int64_t(malloc_usable_size(block));
    std::free(block);
}

void* allocate(std::size_t size) {
    return counted(std::malloc(size ? size : 1));
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    std::size_t align = std::max(std::size_t(alignment), sizeof(void*));
    std::size_t rounded = (std::max<std::size_t>(size, 1) + align - 1) / align * align;
    return counted(std::aligned_alloc(align, rounded));
}

} // namespace

std::int64_t heldBytes() {
    return held;
}
std::int64_t peakHeldBytes() {
    return peak;
}
void resetPeak() {
    peak = held.load();
}
std::int64_t allocationCount() {
    return count;
}
std::int64_t allocatedBytes() {
    return total;
}

} // namespace cinefold::bench

using cinefold::bench::allocate;
using cinefold::bench::allocateAligned;
using cinefold::bench::release;

void* operator new(std::size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* block = allocateAligned(size, alignment)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    if (void* block = allocateAligned(size, alignment)) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}

void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}
