// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Tsan.h"

#ifdef VANTLE_TSAN
#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

// QProcess starts a program with clone(CLONE_VM | CLONE_VFORK): until it
// execs, the child runs in the parent's memory, on the calling thread's
// ThreadSanitizer state. ThreadSanitizer's clone wrapper then does the child's
// after-fork bookkeeping on that shared state: the parent thread is left
// ignoring its own locks (every hand-over through a std::mutex from it reads
// as a race) and the whole process is marked as forked. A child in memory of
// its own costs a copy-on-write fork and changes nothing else: the parent
// still waits for the exec, and QProcess learns of a failed start through
// its pipe, not through shared memory. The linker is told to take this
// definition over the C library's (cmake/Sanitizers.cmake).
extern "C" int clone(int (*function)(void*), void* stack, int flags, void* argument, ...)
{
    va_list rest;
    va_start(rest, argument);
    auto* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    auto* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto next = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
    if (flags & CLONE_VFORK)
        flags &= ~CLONE_VM;
    return next(function, stack, flags, argument, parentTid, tls, childTid);
}
#endif
