// open_watch SECONDS FOLDER PROGRAM [ARGUMENT...]
//
// Starts PROGRAM and waits until something opens FOLDER or a file in it, as
// inotify reports it, then stops the program. Lets the install test see which
// collection an installed program reads without anything in the program for
// the test. Exits 0 when FOLDER was opened within SECONDS, 1 when it was not
// or the program ended first, 2 on a usage or system error.
#include <sys/inotify.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Stops the program and everything it started (it leads its own process group).
void stop(pid_t pid)
{
    kill(-pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: open_watch SECONDS FOLDER PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    const char *folder = argv[2];

    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, folder, IN_OPEN) < 0) {
        std::fprintf(stderr, "open_watch: cannot watch %s: %s\n", folder, std::strerror(errno));
        return 2;
    }

    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("open_watch: fork");
        return 2;
    }
    if (pid == 0) {
        setpgid(0, 0);
        execv(argv[3], argv + 3);
        std::fprintf(stderr, "open_watch: cannot run %s: %s\n", argv[3], std::strerror(errno));
        _exit(127);
    }
    setpgid(pid, pid);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::seconds(seconds);
    // Whether an open was reported within timeoutMs; names it if so.
    const auto opened = [&](int timeoutMs) {
        alignas(inotify_event) char buffer[4096];
        pollfd p{watch, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || read(watch, buffer, sizeof buffer) <= 0)
            return false;
        const auto *event = reinterpret_cast<const inotify_event *>(buffer);
        const std::string what = event->len > 0 ? std::string(folder) + "/" + event->name : folder;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        std::printf("open_watch: %s opened %s after %lld ms\n", argv[3], what.c_str(),
                    static_cast<long long>(ms.count()));
        return true;
    };
    while (Clock::now() < deadline) {
        if (opened(100)) {
            stop(pid);
            return 0;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            // It may have opened the folder just before it ended.
            if (opened(0))
                return 0;
            std::fprintf(stderr, "open_watch: %s ended (status %d) without opening %s\n", argv[3],
                         WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), folder);
            return 1;
        }
    }
    std::fprintf(stderr, "open_watch: %s did not open %s within %d s\n", argv[3], folder, seconds);
    stop(pid);
    return 1;
}
