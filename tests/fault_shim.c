/* Fault shim for the fault-injection suite, loaded into the tool with LD_PRELOAD. Set by the
 * environment:
 *
 *   VANDLOR2_SHIM_LOG=FILE       at the exit, and at an injected failure, writes to FILE:
 *                                "allocations N" (every allocation of the process) and, for a
 *                                failure, "failed N in PHASE" with PHASE "before-main",
 *                                "time-zone" (inside localtime) or "main"
 *   VANDLOR2_FAIL_ALLOCATION=N   the N-th allocation fails (malloc, calloc, realloc,
 *                                aligned_alloc, posix_memalign, memalign, valloc)
 *   VANDLOR2_FAIL_ALLOCATIONS_FROM=1   ... and every allocation after it fails too
 *   VANDLOR2_MAIN_MARKER=1       makes one getppid call as main starts, so that a system call
 *                                trace shows which calls came before main
 *   VANDLOR2_SHORT_IO=1          read and write move at most a few bytes a call
 *   VANDLOR2_SLOW_WRITES=MICROSECONDS   sleeps before every write to a file descriptor from 3 on
 *   VANDLOR2_FAIL_FTRUNCATE=1    every ftruncate fails with EIO
 *   VANDLOR2_REPLACE_AT_CLOSE=FILE:NAME   the close of the last descriptor written to (from 3
 *                                on) renames FILE over NAME, then fails with EIO, as a close on
 *                                a network file system may fail after another client replaced
 *                                the file
 *   VANDLOR2_FAIL_TIME=1         time fails with EOVERFLOW, as on a clock past what time_t holds
 *   VANDLOR2_BUSY_WRITES=MICROSECONDS   as VANDLOR2_SLOW_WRITES, but spends the time on the CPU
 *   VANDLOR2_CRASH_AT_WRITE=KIND the second write to a file descriptor from 3 on crashes, in the
 *                                tool's write section: KIND "segv" (a null pointer), "overflow"
 *                                (endless recursion, a stack overflow) or "abort"
 *   VANDLOR2_CRASH_IN_WORKER=1   once a file descriptor from 3 on was written, the next
 *                                allocation on a thread other than the main one crashes (a null
 *                                pointer), on a thread that holds back the signals sent to it
 *   VANDLOR2_NO_TMPFILE=1        opening a file of no name (O_TMPFILE) fails with EOPNOTSUPP, as
 *                                on a file system that has none
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

enum phase { before_main, in_main, in_time_zone };

static volatile int phase = before_main;
static unsigned long allocations;
static unsigned long fail_at;
static int fail_from;
static int short_io;
static long slow_writes;
static int fail_ftruncate;
static const char* replace_at_close;
static int fail_time;
static long busy_writes;
static const char* crash_at_write;
static int crash_in_worker;
static int no_tmpfile;
static volatile int report_written;
static int last_written_fd = -1;
static const char* log_name;
static int configured;

/* getenv does not allocate, so this may run from the first allocation on. */
static void configure(void) {
    if (configured) return;
    configured = 1;
    const char* text = getenv("VANDLOR2_FAIL_ALLOCATION");
    fail_at = text ? strtoul(text, NULL, 10) : 0;
    fail_from = getenv("VANDLOR2_FAIL_ALLOCATIONS_FROM") != NULL;
    short_io = getenv("VANDLOR2_SHORT_IO") != NULL;
    text = getenv("VANDLOR2_SLOW_WRITES");
    slow_writes = text ? strtol(text, NULL, 10) : 0;
    fail_ftruncate = getenv("VANDLOR2_FAIL_FTRUNCATE") != NULL;
    replace_at_close = getenv("VANDLOR2_REPLACE_AT_CLOSE");
    fail_time = getenv("VANDLOR2_FAIL_TIME") != NULL;
    text = getenv("VANDLOR2_BUSY_WRITES");
    busy_writes = text ? strtol(text, NULL, 10) : 0;
    crash_at_write = getenv("VANDLOR2_CRASH_AT_WRITE");
    crash_in_worker = getenv("VANDLOR2_CRASH_IN_WORKER") != NULL;
    no_tmpfile = getenv("VANDLOR2_NO_TMPFILE") != NULL;
    log_name = getenv("VANDLOR2_SHIM_LOG");
}

static void append_number(char** at, unsigned long number) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = (char)('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0) *(*at)++ = digits[--count];
}

static void append_text(char** at, const char* text) {
    while (*text) *(*at)++ = *text++;
}

static void write_log(unsigned long failed) {
    if (log_name == NULL) return;
    char line[128];
    char* at = line;
    if (failed != 0) {
        static const char* const names[] = {"before-main", "main", "time-zone"};
        append_text(&at, "failed ");
        append_number(&at, failed);
        append_text(&at, " in ");
        append_text(&at, names[phase]);
    } else {
        append_text(&at, "allocations ");
        append_number(&at, allocations);
    }
    *at++ = '\n';
    const int fd =
        (int)syscall(SYS_openat, AT_FDCWD, log_name, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    syscall(SYS_write, fd, line, (size_t)(at - line));
    syscall(SYS_close, fd);
}

static int* volatile nowhere;

/* A real fault: a write through a null pointer. */
static void crash(void) {
    *nowhere = 1;
}

/* Never a tail call: every frame stays until the stack runs out. */
__attribute__((noinline)) static int overflow(volatile char* caller) {
    volatile char frame[512];
    frame[0] = caller[0];
    return overflow(frame) + frame[1];
}

/* Whether this allocation is to fail; counts it. */
static int must_fail(void) {
    configure();
    if (crash_in_worker && report_written && syscall(SYS_gettid) != getpid()) crash();
    const unsigned long number = __atomic_add_fetch(&allocations, 1, __ATOMIC_SEQ_CST);
    if (fail_at == 0 || number < fail_at || (number > fail_at && !fail_from)) return 0;
    if (number == fail_at) write_log(number);
    return 1;
}

void* malloc(size_t size) {
    if (must_fail()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    if (must_fail()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    if (must_fail()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size) {
    if (must_fail()) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

void* valloc(size_t size) {
    return memalign((size_t)sysconf(_SC_PAGESIZE), size);
}

int posix_memalign(void** block, size_t alignment, size_t size) {
    void* got = memalign(alignment, size);
    if (got == NULL) return ENOMEM;
    *block = got;
    return 0;
}

time_t time(time_t* now) {
    static time_t (*real)(time_t*);
    configure();
    if (fail_time) {
        errno = EOVERFLOW;
        return (time_t)-1;
    }
    if (real == NULL) real = (time_t(*)(time_t*))dlsym(RTLD_NEXT, "time");
    return real(now);
}

struct tm* localtime(const time_t* when) {
    static struct tm* (*real)(const time_t*);
    if (real == NULL) real = (struct tm * (*)(const time_t*)) dlsym(RTLD_NEXT, "localtime");
    const int outer = phase;
    phase = in_time_zone;
    struct tm* result = real(when);
    phase = outer;
    return result;
}

/* At most a few bytes a call, varying, so that every partial read and write is met. */
static size_t short_size(size_t size) {
    static unsigned counter;
    const size_t most = 1 + (__atomic_add_fetch(&counter, 1, __ATOMIC_RELAXED) % 7);
    return size < most ? size : most;
}

ssize_t read(int fd, void* data, size_t size) {
    configure();
    if (short_io) size = short_size(size);
    return syscall(SYS_read, fd, data, size);
}

ssize_t write(int fd, const void* data, size_t size) {
    configure();
    if (short_io) size = short_size(size);
    if (fd > 2) last_written_fd = fd;
    if (slow_writes > 0 && fd > 2) {
        const struct timespec pause = {slow_writes / 1000000, (slow_writes % 1000000) * 1000};
        nanosleep(&pause, NULL);
    }
    if (busy_writes > 0 && fd > 2) {
        struct timespec start, now;
        clock_gettime(CLOCK_MONOTONIC, &start);
        do clock_gettime(CLOCK_MONOTONIC, &now);
        while ((now.tv_sec - start.tv_sec) * 1000000 + (now.tv_nsec - start.tv_nsec) / 1000 <
               busy_writes);
    }
    if (crash_at_write != NULL && fd > 2 && report_written) {
        if (strcmp(crash_at_write, "overflow") == 0) {
            volatile char first = 1;
            overflow(&first);
        }
        if (strcmp(crash_at_write, "abort") == 0) abort();
        crash();
    }
    if (fd > 2) report_written = 1;
    return syscall(SYS_write, fd, data, size);
}

static int open_at(int folder, const char* name, int flags, va_list rest) {
    configure();
    const mode_t mode =
        (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(rest, int) : 0;
    if (no_tmpfile && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return (int)syscall(SYS_openat, folder, name, flags, mode);
}

int open(const char* name, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = open_at(AT_FDCWD, name, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* name, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = open_at(AT_FDCWD, name, flags, rest);
    va_end(rest);
    return fd;
}

int openat(int folder, const char* name, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = open_at(folder, name, flags, rest);
    va_end(rest);
    return fd;
}

int ftruncate(int fd, off_t length) {
    configure();
    if (fail_ftruncate) {
        errno = EIO;
        return -1;
    }
    return (int)syscall(SYS_ftruncate, fd, length);
}

int close(int fd) {
    configure();
    if (replace_at_close == NULL || fd != last_written_fd) return (int)syscall(SYS_close, fd);
    char from[4096];
    const char* colon = strchr(replace_at_close, ':');
    const size_t length = colon ? (size_t)(colon - replace_at_close) : 0;
    syscall(SYS_close, fd);
    if (colon != NULL && length < sizeof from) {
        memcpy(from, replace_at_close, length);
        from[length] = '\0';
        rename(from, colon + 1);
    }
    replace_at_close = NULL;
    errno = EIO;
    return -1;
}

typedef int (*main_function)(int, char**, char**);
static main_function real_main;

static int marked_main(int argc, char** argv, char** environment) {
    phase = in_main;
    if (getenv("VANDLOR2_MAIN_MARKER") != NULL) syscall(SYS_getppid);
    return real_main(argc, argv, environment);
}

int __libc_start_main(main_function main, int argc, char** argv, void (*init)(void),
                      void (*fini)(void), void (*rtld_fini)(void), void* stack_end) {
    typedef int (*start_function)(main_function, int, char**, void (*)(void), void (*)(void),
                                  void (*)(void), void*);
    const start_function real_start = (start_function)dlsym(RTLD_NEXT, "__libc_start_main");
    if (real_start == NULL) abort();
    real_main = main;
    return real_start(marked_main, argc, argv, init, fini, rtld_fini, stack_end);
}

__attribute__((destructor)) static void report_count(void) {
    configure();
    write_log(0);
}
