/* Preloaded into a program by bench/present_bench.sh: counts the calls to
   malloc, calloc and realloc and writes the count to standard error on
   SIGUSR2, so that the script can tell the allocations of a stretch of
   frames. */
#define _GNU_SOURCE
#include <signal.h>
#include <stddef.h>
#include <unistd.h>

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);

static volatile unsigned long calls;

void* malloc(size_t n) { ++calls; return __libc_malloc(n); }
void* calloc(size_t n, size_t m) { ++calls; return __libc_calloc(n, m); }
void* realloc(void* p, size_t n) { ++calls; return __libc_realloc(p, n); }

static void report(int sig) {
    (void)sig;
    char text[40] = "allocations ";
    char digits[24];
    int n = 0;
    unsigned long v = calls;
    do { digits[n++] = (char)('0' + v % 10); v /= 10; } while (v > 0);
    int at = 12;
    while (n > 0) text[at++] = digits[--n];
    text[at++] = '\n';
    (void)!write(2, text, (size_t)at);
}

__attribute__((constructor)) static void start(void) {
    struct sigaction action = {0};
    action.sa_handler = report;
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR2, &action, NULL);
}
