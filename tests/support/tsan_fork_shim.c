// Preloaded into test programs under ThreadSanitizer: a process started with
// clone(CLONE_VM) (QProcess does, like vfork) shares the parent's memory, and
// the child's steps before exec change the sanitizer's record of the parent's
// thread, after which its reports are wrong. Such a clone becomes a plain
// fork here, which the sanitizer knows; threads are cloned as before.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/syscall.h>
#include <unistd.h>

typedef int (*CloneFn)(int (*)(void*), void*, int, void*, ...);

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list ap;
    va_start(ap, arg);
    pid_t* parentTid = va_arg(ap, pid_t*);
    void* tls = va_arg(ap, void*);
    pid_t* childTid = va_arg(ap, pid_t*);
    va_end(ap);
    if ((flags & CLONE_VM) && !(flags & CLONE_THREAD)) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(fn(arg));
        }
        if (pid > 0 && (flags & CLONE_PIDFD)) {
            const int fd = (int)syscall(SYS_pidfd_open, pid, 0);
            if (fd < 0) {
                kill(pid, SIGKILL);
                return -1;
            }
            *(int*)parentTid = fd;
        }
        return pid;
    }
    static CloneFn real;
    if (!real) {
        real = (CloneFn)dlsym(RTLD_NEXT, "clone");
    }
    return real(fn, stack, flags, arg, parentTid, tls, childTid);
}
