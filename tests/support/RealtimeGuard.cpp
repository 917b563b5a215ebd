#include "support/RealtimeGuard.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C"
{
void* __libc_malloc (size_t);
void* __libc_calloc (size_t, size_t);
void* __libc_realloc (void*, size_t);
void* __libc_memalign (size_t, size_t);
void __libc_free (void*);
}

namespace
{
thread_local bool armed = false;
thread_local tavik::test::RealtimeCounts threadCounts;

void countAllocation()
{
    if (armed)
        ++threadCounts.allocations;
}

void countFree (void* p)
{
    if (armed && p != nullptr)
        ++threadCounts.frees;
}

void countLock (const void* object)
{
    if (! armed)
        return;

    ++threadCounts.locks;
    auto& c = threadCounts;
    for (int i = 0; i < c.numLockedObjects; ++i)
        if (c.lockedObjects[i] == object)
            return;
    if (c.numLockedObjects < c.maxLockedObjects)
        c.lockedObjects[c.numLockedObjects++] = object;
    else
        c.lockedObjects[c.maxLockedObjects - 1] = nullptr; // overflow never matches an allowed object
}

// dlsym resolves through the loader's own locks, never through the functions
// interposed here, so a lazy lookup cannot recurse.
template <typename Function>
Function next (const char* name)
{
    return reinterpret_cast<Function> (dlsym (RTLD_NEXT, name));
}
} // namespace

namespace tavik::test
{
RealtimeGuard::RealtimeGuard() : wasArmed (armed)
{
    threadCounts = {};
    armed = true;
}

RealtimeGuard::~RealtimeGuard()
{
    armed = wasArmed;
}

RealtimeCounts RealtimeGuard::counts() const
{
    return threadCounts;
}

bool RealtimeCounts::lockedOnly (std::initializer_list<const void*> allowed) const
{
    for (int i = 0; i < numLockedObjects; ++i)
    {
        bool found = false;
        for (const void* object : allowed)
            found = found || object == lockedObjects[i];
        if (! found)
            return false;
    }
    return true;
}
} // namespace tavik::test

#if TAVIK_COUNT_ALLOCATIONS
extern "C"
{
void* malloc (size_t size)
{
    countAllocation();
    return __libc_malloc (size);
}

void* calloc (size_t count, size_t size)
{
    countAllocation();
    return __libc_calloc (count, size);
}

void* realloc (void* p, size_t size)
{
    countAllocation();
    return __libc_realloc (p, size);
}

void* memalign (size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign (alignment, size);
}

void* aligned_alloc (size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign (alignment, size);
}

int posix_memalign (void** result, size_t alignment, size_t size)
{
    countAllocation();
    *result = __libc_memalign (alignment, size);
    return *result != nullptr || size == 0 ? 0 : 12;
}

void free (void* p)
{
    countFree (p);
    __libc_free (p);
}

int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    countLock (mutex);
    static const auto real = next<int (*) (pthread_mutex_t*)> ("pthread_mutex_lock");
    return real (mutex);
}

int pthread_mutex_trylock (pthread_mutex_t* mutex)
{
    countLock (mutex);
    static const auto real = next<int (*) (pthread_mutex_t*)> ("pthread_mutex_trylock");
    return real (mutex);
}

int pthread_rwlock_rdlock (pthread_rwlock_t* lock)
{
    countLock (lock);
    static const auto real = next<int (*) (pthread_rwlock_t*)> ("pthread_rwlock_rdlock");
    return real (lock);
}

int pthread_rwlock_wrlock (pthread_rwlock_t* lock)
{
    countLock (lock);
    static const auto real = next<int (*) (pthread_rwlock_t*)> ("pthread_rwlock_wrlock");
    return real (lock);
}

int pthread_cond_wait (pthread_cond_t* condition, pthread_mutex_t* mutex)
{
    countLock (condition);
    static const auto real = next<int (*) (pthread_cond_t*, pthread_mutex_t*)> ("pthread_cond_wait");
    return real (condition, mutex);
}

int sem_wait (sem_t* semaphore)
{
    countLock (semaphore);
    static const auto real = next<int (*) (sem_t*)> ("sem_wait");
    return real (semaphore);
}
}

void* operator new (std::size_t size)
{
    if (void* p = malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* operator new[] (std::size_t size)
{
    return operator new (size);
}

void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    return malloc (size == 0 ? 1 : size);
}

void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    return malloc (size == 0 ? 1 : size);
}

void operator delete (void* p) noexcept { free (p); }
void operator delete[] (void* p) noexcept { free (p); }
void operator delete (void* p, std::size_t) noexcept { free (p); }
void operator delete[] (void* p, std::size_t) noexcept { free (p); }
#endif
