// Replaces the global operator new and operator delete of the test program;
// see failing_allocation.h.
#include "tests/unit/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace zeq::test {

namespace {

std::atomic<bool> armed{false};
std::atomic<bool> othersOnly{false};
std::thread::id armingThread;
std::atomic<long> remaining{0};
std::atomic<bool> failedOnce{false};
std::atomic<void (*)(std::size_t)> firstFailureHook{nullptr};

void* allocate(std::size_t bytes) {
    // remaining keeps falling once it reaches 1: every later allocation fails
    // too, as with memory that is really exhausted.
    if (armed.load(std::memory_order_acquire) &&
        !(othersOnly.load() && std::this_thread::get_id() == armingThread) &&
        remaining.fetch_sub(1) <= 1) {
        if (!failedOnce.exchange(true)) {
            if (auto hook = firstFailureHook.load()) hook(bytes);
        }
        throw std::bad_alloc();
    }
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

void failAllocationsFrom(long n, FailingThreads threads) {
    failedOnce = false;
    remaining = n;
    othersOnly = threads == FailingThreads::Others;
    armingThread = std::this_thread::get_id();
    armed.store(true, std::memory_order_release);
}

bool stopFailing() {
    armed.store(false, std::memory_order_release);
    return failedOnce.load();
}

void onFirstFailure(void (*hook)(std::size_t bytes)) { firstFailureHook = hook; }

void pauseLeakChecks() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
}

void resumeLeakChecks() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
}

}  // namespace zeq::test

// The aligned forms are left to the library: they pair with each other.
void* operator new(std::size_t bytes) { return zeq::test::allocate(bytes); }
void* operator new[](std::size_t bytes) { return zeq::test::allocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return zeq::test::allocate(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return zeq::test::allocate(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
