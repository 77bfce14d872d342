#include "SpawnedProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <vector>

#include "TerminationSignals.h"

extern char** environ;

namespace platform {
namespace {

// How often a wait looks whether the program has been asked to end meanwhile.
constexpr int kTerminationCheckMs = 50;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    Descriptor read, write;
    bool open() {
        int ends[2];
        // Close-on-exec, so that no other child inherits them; the spawned program gets its
        // ends through dup2, which clears the flag on the copy.
        if (::pipe2(ends, O_CLOEXEC) != 0) return false;
        read = Descriptor(ends[0]);
        write = Descriptor(ends[1]);
        return true;
    }
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Reads what is there without blocking; false once the writing end has closed.
bool drain(int fd, QByteArray& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// Waits up to `ms` for output or for the program's end, collecting what it wrote; pipes that
// reached their end are closed.
void collectOutput(std::array<Descriptor*, 2> pipes, std::array<QByteArray*, 2> into,
                   int programEnd, int ms) {
    std::vector<pollfd> watched;
    for (Descriptor* pipe : pipes)
        if (pipe->get() >= 0) watched.push_back({pipe->get(), POLLIN, 0});
    if (programEnd >= 0) watched.push_back({programEnd, POLLIN, 0});
    // Without a descriptor for the end (kernels before 5.3), a short nap between looks.
    const int wait = programEnd >= 0 ? ms : std::min(ms, 2);
    if (::poll(watched.data(), nfds_t(watched.size()), wait) <= 0) return;
    for (std::size_t i = 0; i < pipes.size(); ++i)
        if (pipes[i]->get() >= 0 && !drain(pipes[i]->get(), *into[i])) pipes[i]->close();
}

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

ProcessResult runSpawnedProgram(const QString& program, const QStringList& arguments,
                                const QDeadlineTimer& deadline) {
    ProcessResult result;
    Pipe out, err;
    if (!out.open() || !err.open()) return result;
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), err.write.get(), STDERR_FILENO);

    std::vector<QByteArray> texts{program.toLocal8Bit()};
    for (const QString& argument : arguments) texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    // The child starts with the default signal handling and no signal blocked, whatever
    // this program has installed for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const bool searchPath = !program.contains(QLatin1Char('/'));
    // glibc reports a failed exec here (missing interpreter, wrong format) rather than as an
    // exit status of 127.
    const int spawned =
        searchPath ? posix_spawnp(&pid, argv[0], actions.get(), &attributes, argv.data(), environ)
                   : posix_spawn(&pid, argv[0], actions.get(), &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    out.write.close();
    err.write.close();
    if (spawned != 0) return result;
    result.started = true;
    for (Descriptor* end : {&out.read, &err.read})
        ::fcntl(end->get(), F_SETFL, ::fcntl(end->get(), F_GETFL) | O_NONBLOCK);

    const Descriptor programEnd(int(::syscall(SYS_pidfd_open, pid, 0)));
    int status = 0;
    for (;;) {
        collectOutput({&out.read, &err.read}, {&result.standardOutput, &result.standardError},
                      programEnd.get(),
                      int(std::clamp<qint64>(deadline.remainingTime(), 0, kTerminationCheckMs)));
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) break;
        if (ended < 0 && errno != EINTR) {
            // Reaped by someone else: how it ended is not known.
            result.exitCode = -1;
            return result;
        }
        result.interrupted = terminationPending();
        result.timedOut = !result.interrupted && deadline.hasExpired();
        if (result.interrupted || result.timedOut) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return result;
        }
    }
    // What the program wrote just before it ended; a helper it left running may hold the
    // pipes open, so nothing more is waited for.
    collectOutput({&out.read, &err.read}, {&result.standardOutput, &result.standardError}, -1, 0);
    result.exitCode = exitCodeOf(status);
    return result;
}

}  // namespace platform
