/* Runs a command N times and prints, per run, the wall time (ns), the
 * user+sys CPU time (ns), the peak resident set (KiB), the exit status, and
 * the user and the sys CPU times (ns) of that one child.
 *
 *     spawn_runs N PROGRAM [ARGS...]
 *
 * The peak comes from wait4. A child's peak includes the memory of the
 * process it was forked from, so the child is forked from this small program
 * rather than from the Python interpreter that drives the benchmark (about
 * 10 MiB, which would hide the program's own peak). */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: spawn_runs N PROGRAM [ARGS...]\n");
    return 2;
  }
  const int runs = atoi(argv[1]);
  for (int i = 0; i < runs; ++i) {
    const long long start = now_ns();
    const pid_t pid = fork();
    if (pid < 0) return 3;
    if (pid == 0) {
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      execv(argv[2], argv + 2);
      _exit(127);
    }
    int status = 0;
    struct rusage u;
    if (wait4(pid, &status, 0, &u) != pid) return 4;
    const long long wall = now_ns() - start;
    const long long cpu =
        (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000000LL + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1000LL;
    const long long user = u.ru_utime.tv_sec * 1000000000LL + u.ru_utime.tv_usec * 1000LL;
    printf("%lld %lld %ld %d %lld %lld\n", wall, cpu, u.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128, user,
           cpu - user);
  }
  return 0;
}
