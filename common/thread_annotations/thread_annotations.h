// Locking rules the compiler checks: clang's -Wthread-safety reads these annotations (other
// compilers ignore them). A field marked GUARDED_BY(m) may only be touched while m is held; a
// function marked REQUIRES(m) may only be called with it held.
#pragma once

#include <mutex>

#if defined(__clang__)
#define QLV_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QLV_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) QLV_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY QLV_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) QLV_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) QLV_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) QLV_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRED_BEFORE(...) QLV_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define EXCLUDES(...) QLV_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) QLV_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) QLV_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) QLV_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// For condition-variable predicates, which run with the lock held where the analysis cannot see.
#define NO_THREAD_SAFETY QLV_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace qlv {

// std::mutex, visible to the analysis.
class CAPABILITY("mutex") Mutex {
public:
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }
    bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

private:
    std::mutex mutex_;
};

// Holds a Mutex for a scope.
class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

// Holds a Mutex for a scope and can let it go for a while; what std::condition_variable_any
// waits with.
class SCOPED_CAPABILITY UniqueLock {
public:
    explicit UniqueLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~UniqueLock() RELEASE() {
        if (held_) {
            mutex_.unlock();
        }
    }
    UniqueLock(const UniqueLock&) = delete;
    UniqueLock& operator=(const UniqueLock&) = delete;

    void lock() ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }
    void unlock() RELEASE() {
        held_ = false;
        mutex_.unlock();
    }

private:
    Mutex& mutex_;
    bool held_ = true;
};

}  // namespace qlv
