// Linux, without sanitizers: this program defines the C library's allocation
// and lock functions itself and exports them (posix/interposed.list), so
// every call in the process, the plug-in's included, comes here first and is
// passed on to the C library.
#include "tools/validate/Interposer.h"

#include <atomic>
#include <dlfcn.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* memory);
}

namespace {

std::atomic<long long> live{0};

void* allocated(void* memory) {
    if (memory != nullptr) live.fetch_add(static_cast<long long>(malloc_usable_size(memory)));
    interposer::countAllocation();
    return memory;
}

void released(void* memory) {
    if (memory != nullptr) live.fetch_sub(static_cast<long long>(malloc_usable_size(memory)));
}

// The C library's own definition of a function that this program replaces.
template <typename Function> Function next(Function& cached, const char* name) {
    if (cached == nullptr) cached = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return cached;
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    return allocated(__libc_malloc(size));
}
void* calloc(size_t count, size_t size) {
    return allocated(__libc_calloc(count, size));
}
void* memalign(size_t alignment, size_t size) {
    return allocated(__libc_memalign(alignment, size));
}
void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** memory, size_t alignment, size_t size) {
    *memory = memalign(alignment, size);
    return *memory != nullptr || size == 0 ? 0 : 12; // ENOMEM
}
void* realloc(void* memory, size_t size) {
    released(memory);
    return allocated(__libc_realloc(memory, size));
}
void free(void* memory) {
    if (memory != nullptr) interposer::countAllocation();
    released(memory);
    __libc_free(memory);
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    static int (*real)(pthread_mutex_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_mutex_lock")(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    static int (*real)(pthread_mutex_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_mutex_trylock")(mutex);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock) {
    static int (*real)(pthread_rwlock_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_rwlock_rdlock")(lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) {
    static int (*real)(pthread_rwlock_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_rwlock_wrlock")(lock);
}
int pthread_spin_lock(pthread_spinlock_t* lock) {
    static int (*real)(pthread_spinlock_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_spin_lock")(lock);
}
int sem_wait(sem_t* semaphore) {
    static int (*real)(sem_t*) = nullptr;
    interposer::countLock();
    return next(real, "sem_wait")(semaphore);
}
int pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* mutex) {
    static int (*real)(pthread_cond_t*, pthread_mutex_t*) = nullptr;
    interposer::countLock();
    return next(real, "pthread_cond_wait")(condition, mutex);
}

} // extern "C"

namespace interposer {

void watch(PluginEntry) {}
long long liveBytes() {
    return live.load();
}
bool countsLocks() {
    return true;
}
const char* technique() {
    return "allocations and locks seen by interposing the C library's functions";
}

} // namespace interposer
