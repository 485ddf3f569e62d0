// Runs a program and prints its peak resident memory in KiB. A process's
// peak (ru_maxrss) counts the memory of the process that exec'd it, so a
// benchmark holding a large log cannot measure a child directly: this small
// program forks from its own few MiB instead. Output goes to /dev/null.
// Usage: bench_peak_memory PROGRAM [ARGUMENT...]

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[1], argv + 1);
        std::perror(argv[1]);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage { };
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[1]);
        return 1;
    }
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}
