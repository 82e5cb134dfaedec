// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ThreadSanitizer cannot see Qt's own locks (futexes in an uninstrumented
// library). Hand-overs that only Qt orders are declared here instead, so that
// only races of our own are reported.
#if defined(__SANITIZE_THREAD__)
#define VANTLE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTLE_TSAN 1
#endif
#endif
#ifdef VANTLE_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
extern "C" void AnnotateIgnoreReadsBegin(const char* file, int line);
extern "C" void AnnotateIgnoreReadsEnd(const char* file, int line);
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char* file, int line);
#endif

#include <memory>
#include <type_traits>
#include <utility>

namespace tsan {
// What this thread did so far happens before whatever follows an acquire of `token`.
inline void release([[maybe_unused]] const void* token)
{
#ifdef VANTLE_TSAN
    __tsan_release(const_cast<void*>(token));
#endif
}
inline void acquire([[maybe_unused]] const void* token)
{
#ifdef VANTLE_TSAN
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// `call`, made ready for another thread that Qt hands it to: everything this
// thread did so far happens before it runs there. Held by a shared pointer,
// so that Qt may copy the wrapper as it likes.
template <typename F> auto handedOver(F&& call)
{
    auto held = std::make_shared<std::decay_t<F>>(std::forward<F>(call));
    const void* token = held.get();
    release(token);
    return [held = std::move(held), token] {
        acquire(token);
        (*held)();
    };
}

// While one lives, this thread's memory accesses go unrecorded; its locks and
// atomics still order it with other threads. For the stretch where Qt itself
// hands memory to another thread under its own locks: an event it allocates
// here and frees there, or a future's continuation that `then` stored there
// and `finish` runs (or sends on) here.
class IgnoreAccesses {
public:
    IgnoreAccesses()
    {
#ifdef VANTLE_TSAN
        AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
        AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
#endif
    }
    ~IgnoreAccesses()
    {
#ifdef VANTLE_TSAN
        AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
        AnnotateIgnoreReadsEnd(__FILE__, __LINE__);
#endif
    }
    IgnoreAccesses(const IgnoreAccesses&) = delete;
    IgnoreAccesses& operator=(const IgnoreAccesses&) = delete;
};
} // namespace tsan
