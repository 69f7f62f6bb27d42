// Preloaded into a program under test (LD_PRELOAD) to kill it at a chosen
// point of its file output: every write, truncation, sync, rename and
// removal of a regular file counts as one point. With BRINDLE_KILL_AT=N
// the process kills itself with SIGKILL just before the Nth point, as a
// power cut or an OOM kill would end it; with BRINDLE_KILL_REPORT=FILE it
// writes the number of points it passed into FILE when it ends normally.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

std::atomic<long> gCount{0};

long killAt() {
    static const long at = [] {
        const char* v = std::getenv("BRINDLE_KILL_AT");
        return v ? std::atol(v) : 0L;
    }();
    return at;
}

void point() {
    const long n = ++gCount;
    if (killAt() > 0 && n == killAt()) {
        ::syscall(SYS_kill, ::getpid(), SIGKILL);
    }
}

bool regular(int fd) {
    struct stat st;
    return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

struct Report {
    ~Report() {
        const char* path = std::getenv("BRINDLE_KILL_REPORT");
        if (!path) {
            return;
        }
        char text[32];
        const int n = std::snprintf(text, sizeof text, "%ld\n", gCount.load());
        const int fd = static_cast<int>(
            ::syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, 0644));
        if (fd >= 0) {
            ::syscall(SYS_write, fd, text, n);
            ::syscall(SYS_close, fd);
        }
    }
} gReport;

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t count) {
    static auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    if (regular(fd)) {
        point();
    }
    return next(fd, buf, count);
}

ssize_t pwrite64(int fd, const void* buf, size_t count, off_t offset) {
    static auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    if (regular(fd)) {
        point();
    }
    return next(fd, buf, count, offset);
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    static auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (regular(fd)) {
        point();
    }
    return next(fd, buf, count, offset);
}

ssize_t writev(int fd, const struct iovec* iov, int n) {
    static auto next = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (regular(fd)) {
        point();
    }
    return next(fd, iov, n);
}

size_t fwrite(const void* ptr, size_t size, size_t n, FILE* stream) {
    static auto next = real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (regular(::fileno(stream))) {
        point();
    }
    return next(ptr, size, n, stream);
}

int ftruncate(int fd, off_t length) {
    static auto next = real<int (*)(int, off_t)>("ftruncate");
    point();
    return next(fd, length);
}

int ftruncate64(int fd, off_t length) {
    static auto next = real<int (*)(int, off_t)>("ftruncate64");
    point();
    return next(fd, length);
}

int fsync(int fd) {
    static auto next = real<int (*)(int)>("fsync");
    point();
    return next(fd);
}

int fdatasync(int fd) {
    static auto next = real<int (*)(int)>("fdatasync");
    point();
    return next(fd);
}

ssize_t sendfile(int out, int in, off_t* offset, size_t count) {
    static auto next = real<ssize_t (*)(int, int, off_t*, size_t)>("sendfile");
    point();
    return next(out, in, offset, count);
}

ssize_t sendfile64(int out, int in, off_t* offset, size_t count) {
    static auto next = real<ssize_t (*)(int, int, off_t*, size_t)>("sendfile64");
    point();
    return next(out, in, offset, count);
}

ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset, size_t count,
                        unsigned flags) {
    static auto next =
        real<ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned)>("copy_file_range");
    point();
    return next(in, inOffset, out, outOffset, count, flags);
}

int rename(const char* from, const char* to) {
    static auto next = real<int (*)(const char*, const char*)>("rename");
    point();
    return next(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static auto next = real<int (*)(int, const char*, int, const char*)>("renameat");
    point();
    return next(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static auto next = real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    point();
    return next(fromDir, from, toDir, to, flags);
}

int unlink(const char* path) {
    static auto next = real<int (*)(const char*)>("unlink");
    point();
    return next(path);
}

int unlinkat(int dir, const char* path, int flags) {
    static auto next = real<int (*)(int, const char*, int)>("unlinkat");
    point();
    return next(dir, path, flags);
}

}  // extern "C"
