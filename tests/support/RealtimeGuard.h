#pragma once

#include <initializer_list>

namespace tavik::test
{
/** What the current thread did while a RealtimeGuard was armed on it. */
struct RealtimeCounts
{
    long allocations = 0; // malloc, calloc, realloc, memalign family, operator new
    long frees = 0;       // free, operator delete
    long locks = 0;       // mutex, rwlock, semaphore and condition waits

    // The distinct objects that were locked or waited on, first ones first.
    static constexpr int maxLockedObjects = 16;
    const void* lockedObjects[maxLockedObjects] = {};
    int numLockedObjects = 0;

    /** True if every lock taken was on one of the given objects. */
    bool lockedOnly (std::initializer_list<const void*> allowed) const;
};

/** Counts, on the thread that creates it and until it goes, every call into the
    allocator and every lock or wait. The test binary interposes those C library
    functions, so calls made deep inside the framework are seen too. */
class RealtimeGuard
{
public:
    RealtimeGuard();
    ~RealtimeGuard();

    RealtimeGuard (const RealtimeGuard&) = delete;
    RealtimeGuard& operator= (const RealtimeGuard&) = delete;

    RealtimeCounts counts() const;

    /** False in builds whose sanitizer runtime intercepts the same functions: nothing
        is counted there. */
    static constexpr bool available() { return TAVIK_COUNT_ALLOCATIONS != 0; }

private:
    bool wasArmed;
};
} // namespace tavik::test
