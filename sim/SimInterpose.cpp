// The interposer: stands in for the C library's opendir (for "/dev/"), the open family
// (with the fortified entry points), ioctl and close. Calls on anything that is not a
// simulated node or descriptor go to the C library's own functions untouched.
//
// Rules that keep it free of deadlocks and recursion:
// - the one lock guards all state; it is a statically initialised mutex, usable before
//   any constructor has run;
// - with the lock held the simulator calls only the C library's real functions (found
//   with dlsym(RTLD_NEXT)), never its own interposed definitions;
// - the real function addresses are resolved without the lock (dlsym takes the
//   loader's lock, which a thread inside dlopen may hold while it calls open).
#undef _FORTIFY_SOURCE
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using Open2Fn = int (*)(const char*, int);
using OpenAt2Fn = int (*)(int, const char*, int);
using OpendirFn = DIR* (*)(const char*);
using IoctlFn = int (*)(int, unsigned long, ...);
using CloseFn = int (*)(int);

enum RealIndex { kOpen, kOpen64, kOpenAt, kOpenAt64, kOpen2, kOpen64_2, kOpenAt2, kOpenAt64_2, kOpendir, kIoctl, kClose, kCount };
const char* const kRealNames[kCount] = {"open",     "open64",    "openat",    "openat64", "__open_2", "__open64_2",
                                        "__openat_2", "__openat64_2", "opendir", "ioctl",  "close"};

// Addresses of the C library's functions: facts about the loaded program, not state;
// each is looked up once and never changes afterwards.
std::atomic<void*> g_real[kCount];

template <typename Fn>
Fn real(RealIndex index) {
    void* p = g_real[index].load(std::memory_order_acquire);
    if (p == nullptr) {
        p = dlsym(RTLD_NEXT, kRealNames[index]);
        g_real[index].store(p, std::memory_order_release);
    }
    Fn fn;
    static_assert(sizeof fn == sizeof p, "function pointer size");
    std::memcpy(&fn, &p, sizeof fn);
    return fn;
}

pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_clockCondition = PTHREAD_COND_INITIALIZER;  // waited on with g_lock
Simulator* g_sim = nullptr;  // guarded by g_lock

void lockForFork() { pthread_mutex_lock(&g_lock); }
void unlockAfterFork() { pthread_mutex_unlock(&g_lock); }
// A forked child has its own copy of the state from here on, and none of the parent's
// threads: the condition may hold the parent's waiter, so it starts afresh.
void unlockInForkedChild() {
    const pthread_cond_t fresh = PTHREAD_COND_INITIALIZER;
    std::memcpy(&g_clockCondition, &fresh, sizeof fresh);
    if (g_sim != nullptr) {
        g_sim->owner = getpid();
        clockAfterFork(*g_sim);
        if (g_sim->client) g_sim->client->afterFork();
    }
    pthread_mutex_unlock(&g_lock);
}

// True in a child that still runs in its parent's memory (vfork, posix_spawn): the
// descriptors it closes or opens are its own copies, and the parent's boards must stay.
bool sharesParentMemory(const Simulator& s) { return s.owner != getpid(); }

bool devPath(const char* path, std::string& node) {
    if (path == nullptr || std::strncmp(path, "/dev/", 5) != 0) return false;
    const char* name = path + 5;
    if (*name == '\0' || std::strchr(name, '/') != nullptr) return false;
    node = name;
    return true;
}

bool isDevDir(const char* path) {
    return path != nullptr && (std::strcmp(path, "/dev/") == 0 || std::strcmp(path, "/dev") == 0);
}

void removeDirectoryContents(const std::string& dir) {
    DIR* d = real<OpendirFn>(kOpendir)(dir.c_str());
    if (d == nullptr) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(d);
    for (const auto& n : names) {
        std::string p = dir + "/" + n;
        if (unlink(p.c_str()) != 0) rmdir(p.c_str());
    }
}

// Opens a node of the server (client mode), like openNode below.
// Takes fd off the board's list of open descriptors. When the last one goes, the board's
// interrupts are no longer enabled, as a driver releases the board's interrupt when the
// last file on it is closed; queued interrupts stay queued for the next opener.
void detachDescriptor(Board& board, int fd) {
    auto& v = board.fds;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == fd) {
            v.erase(v.begin() + static_cast<long>(i));
            break;
        }
    }
    if (v.empty()) {
        board.interruptsEnabled = 0;
    }
}

int openServerNode(Simulator& s, const std::string& name, int flags) {
    bool directory = false;
    if (!s.client->isNode(name, directory)) return -2;
    if (directory) {
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EISDIR;
            return -1;
        }
        if (!syncDirectory(s)) return -1;
        return realOpen((s.dir + "/" + name).c_str(), flags, 0);
    }
    return s.client->open(name, flags);
}

// Opens a simulated node. Returns -2 when the path is not a simulated node (the caller
// passes the call through), else the descriptor or -1 with errno set.
int openNode(const char* path, int flags) {
    std::string name;
    if (!devPath(path, name)) return -2;
    SimLock lock;
    Simulator& s = lock.sim();
    if (sharesParentMemory(s)) return -2;
    if (s.client) return openServerNode(s, name, flags);
    std::shared_ptr<Board> board = findBoard(s, name);
    if (!board) return -2;
    if (board->cfg.isDir) {
        // A directory: like the C library, refuse writing access with EISDIR; a read-only
        // open gets the stand-in directory itself.
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EISDIR;
            return -1;
        }
        if (!syncDirectory(s)) return -1;
        return realOpen((s.dir + "/" + name).c_str(), flags, 0);
    }
    if (board->cfg.openFails) {
        errno = EACCES;
        return -1;
    }
    int efdFlags = EFD_SEMAPHORE | EFD_NONBLOCK | ((flags & O_CLOEXEC) ? EFD_CLOEXEC : 0);
    int fd = eventfd(static_cast<unsigned>(board->queue.size()), efdFlags);
    if (fd < 0) return -1;
    if (s.highFds && fd < 1024) {
        rlimit lim{};
        if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < 1100) {
            rlimit raised = lim;
            raised.rlim_cur = lim.rlim_max == RLIM_INFINITY || lim.rlim_max > 4096 ? 4096 : lim.rlim_max;
            setrlimit(RLIMIT_NOFILE, &raised);
        }
        int high = fcntl(fd, (flags & O_CLOEXEC) ? F_DUPFD_CLOEXEC : F_DUPFD, 1024);
        int saved = errno;
        realClose(fd);
        if (high < 0) {
            errno = saved == EINVAL ? EMFILE : saved;
            return -1;
        }
        fd = high;
    }
    auto old = s.fds.find(fd);
    if (old != s.fds.end()) {  // a stale number closed behind our back
        detachDescriptor(*old->second, fd);
    }
    s.fds[fd] = board;
    board->fds.push_back(fd);
    return fd;
}

// A descriptor the C library handed out cannot be one of ours: forget a stale entry.
int passedThrough(int fd) {
    if (fd >= 0) {
        int saved = errno;
        SimLock lock;
        Simulator& s = lock.sim();
        auto it = sharesParentMemory(s) ? s.fds.end() : s.fds.find(fd);
        if (it != s.fds.end()) {
            detachDescriptor(*it->second, fd);
            s.fds.erase(it);
        }
        if (s.client && !sharesParentMemory(s)) s.client->forget(fd);
        errno = saved;
    }
    return fd;
}

bool needsMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

}  // namespace

SimLock::SimLock() { pthread_mutex_lock(&g_lock); }

SimLock::~SimLock() {
    const bool start = g_sim != nullptr && clockTakeThreadStart(*g_sim);
    pthread_mutex_unlock(&g_lock);
    if (start) clockStartThread();
}

Simulator& SimLock::sim() { return lockedSimulator(); }

void SimLock::wait(uint64_t deadline) {
    if (deadline == kNever) {
        pthread_cond_wait(&g_clockCondition, &g_lock);
        return;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / 1000000000u);
    ts.tv_nsec = static_cast<long>(deadline % 1000000000u);
    pthread_cond_clockwait(&g_clockCondition, &g_lock, CLOCK_MONOTONIC, &ts);
}

void SimLock::yield() {
    pthread_mutex_unlock(&g_lock);
    sched_yield();
    pthread_mutex_lock(&g_lock);
}

Simulator& lockedSimulator() {
    if (g_sim == nullptr) {
        g_sim = new Simulator();
        g_sim->owner = getpid();
        clockStart(g_sim->clock);
        pthread_atfork(lockForFork, unlockAfterFork, unlockInForkedChild);
        const char* server = std::getenv("CORVANE_SIM_SERVER");
        if (server != nullptr && *server != '\0') {
            g_sim->client.reset(new ServerClient(server));
        } else {
            loadEnvironment(*g_sim);
        }
    }
    return *g_sim;
}

void clockWake() { pthread_cond_broadcast(&g_clockCondition); }

std::shared_ptr<Board> findBoard(Simulator& s, const std::string& node) {
    for (const auto& b : s.boards) {
        if (b->cfg.node == node) return b;
    }
    return nullptr;
}

bool takeAnswer(Simulator& s, const std::string& node, uint32_t command, void* arg) {
    for (auto it = s.answers.begin(); it != s.answers.end(); ++it) {
        if (it->node == node && it->command == command) {
            std::memcpy(arg, it->bytes.data(), it->bytes.size());
            s.answers.erase(it);
            return true;
        }
    }
    return false;
}

void dropBoards(Simulator& s) {
    for (auto& b : s.boards) b->removed = true;
    s.boards.clear();
    ++s.generation;
}

int loadEnvironment(Simulator& s) {
    const char* spec = std::getenv("CORVANE_SIM_BOARDS");
    if (spec == nullptr) return 0;
    std::vector<BoardConfig> configs;
    std::string error;
    if (!parseBoards(spec, {}, configs, error)) {
        std::fprintf(stderr, "corvane-sim: CORVANE_SIM_BOARDS: %s; no boards are simulated\n", error.c_str());
        return -1;
    }
    for (const auto& c : configs) s.boards.push_back(std::make_shared<Board>(c));
    ++s.generation;
    return static_cast<int>(configs.size());
}

bool syncDirectory(Simulator& s) {
    if (s.exiting) {
        errno = ENOENT;
        return false;
    }
    if (s.dir.empty() || s.dirOwner != getpid()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-sim-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) == nullptr) return false;
        s.dir = buf.data();
        s.dirOwner = getpid();
        s.dirGeneration = 0;
    }
    std::vector<std::pair<std::string, bool>> entries;  // node, is a directory
    if (s.client) {
        // The server's nodes, asked for at every listing.
        if (!s.client->nodes(entries)) return false;
    } else {
        if (s.dirGeneration == s.generation) return true;
        for (const auto& b : s.boards) entries.emplace_back(b->cfg.node, b->cfg.isDir);
    }
    removeDirectoryContents(s.dir);
    for (const auto& e : entries) {
        std::string p = s.dir + "/" + e.first;
        if (e.second) {
            mkdir(p.c_str(), 0755);
        } else {
            int fd = realOpen(p.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0666);
            if (fd >= 0) realClose(fd);
        }
    }
    s.dirGeneration = s.generation;
    return true;
}

int realOpen(const char* path, int flags, mode_t mode) { return real<OpenFn>(kOpen)(path, flags, mode); }
int realClose(int fd) { return real<CloseFn>(kClose)(fd); }

namespace {

__attribute__((constructor)) void simulatorStart() {
    for (int i = 0; i < kCount; ++i) real<void*>(static_cast<RealIndex>(i));
    SimLock lock;
    lock.sim();  // reads CORVANE_SIM_BOARDS now, so a malformed value is reported at once
}

__attribute__((destructor)) void simulatorStop() {
    SimLock lock;
    if (g_sim == nullptr) return;
    // The state stays: descriptors may still be closed by later exit handlers.
    if (!g_sim->dir.empty() && g_sim->dirOwner == getpid()) {
        removeDirectoryContents(g_sim->dir);
        rmdir(g_sim->dir.c_str());
    }
    g_sim->dir.clear();
    g_sim->exiting = true;
    clockWake();  // the real-time thread sees exiting and ends
}

}  // namespace
}  // namespace corvane_sim

using namespace corvane_sim;

extern "C" {

__attribute__((visibility("default"))) DIR* opendir(const char* name) {
    if (isDevDir(name)) {
        SimLock lock;
        Simulator& s = lock.sim();
        if (!syncDirectory(s)) return nullptr;
        return real<OpendirFn>(kOpendir)(s.dir.c_str());
    }
    return real<OpendirFn>(kOpendir)(name);
}

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (needsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenFn>(kOpen)(path, flags, mode));
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (needsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenFn>(kOpen64)(path, flags, mode));
}

__attribute__((visibility("default"))) int openat(int dirfd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (needsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenAtFn>(kOpenAt)(dirfd, path, flags, mode));
}

__attribute__((visibility("default"))) int openat64(int dirfd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (needsMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenAtFn>(kOpenAt64)(dirfd, path, flags, mode));
}

__attribute__((visibility("default"))) int __open_2(const char* path, int flags) {
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<Open2Fn>(kOpen2)(path, flags));
}

__attribute__((visibility("default"))) int __open64_2(const char* path, int flags) {
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<Open2Fn>(kOpen64_2)(path, flags));
}

__attribute__((visibility("default"))) int __openat_2(int dirfd, const char* path, int flags) {
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenAt2Fn>(kOpenAt2)(dirfd, path, flags));
}

__attribute__((visibility("default"))) int __openat64_2(int dirfd, const char* path, int flags) {
    int fd = openNode(path, flags);
    if (fd != -2) return fd;
    return passedThrough(real<OpenAt2Fn>(kOpenAt64_2)(dirfd, path, flags));
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);

    int result = 0;
    int error = 0;
    {
        SimLock lock;
        Simulator& s = lock.sim();
        if (s.client && !sharesParentMemory(s) && s.client->owns(fd)) {
            const uint32_t command = request > 0xFFFFFFFFul ? 0u : static_cast<uint32_t>(request);
            return s.client->ioctl(fd, command, arg);
        }
        auto it = s.fds.find(fd);
        if (it != s.fds.end()) {
            Board& b = *it->second;
            const uint32_t command = request > 0xFFFFFFFFul ? 0u : static_cast<uint32_t>(request);
            TraceEntry entry;
            entry.node = b.cfg.node;
            entry.command = command;
            auto* bytes = static_cast<uint8_t*>(arg);
            entry.size = bytes != nullptr ? recordSize(command) : 0;
            if (entry.size != 0) entry.sent.assign(bytes, bytes + entry.size);

            const FailRule* rule = nullptr;
            size_t ruleIndex = 0;
            for (; ruleIndex < s.rules.size(); ++ruleIndex) {
                const FailRule& r = s.rules[ruleIndex];
                if ((r.node.empty() || r.node == b.cfg.node) &&
                    (r.command == CORVANE_SIM_ANY_COMMAND || r.command == command)) {
                    rule = &r;
                    break;
                }
            }
            CommandResult cr{0, 0};
            if (rule != nullptr && !b.removed && rule->skip > 0) {
                --s.rules[ruleIndex].skip;  // let through: the rule still stands first
                rule = nullptr;
            }
            if (b.removed) {
                cr = {-1, ENODEV};
            } else if (rule != nullptr) {
                cr = {rule->result, rule->error};
                if (command != 0xC0084101u) {
                    if (rule->hasRecord) {
                        b.lastError = rule->record;
                    } else {
                        b.setError(commandName(command), static_cast<uint32_t>(rule->error), "Injected failure");
                    }
                }
                if (rule->remaining != CORVANE_SIM_ALWAYS && --s.rules[ruleIndex].remaining <= 0) {
                    s.rules.erase(s.rules.begin() + static_cast<long>(ruleIndex));
                }
            } else {
                cr = execute(b, command, arg);
                if (arg != nullptr && takeAnswer(s, b.cfg.node, command, arg)) cr = {0, 0};
            }
            if (entry.size != 0) entry.returned.assign(bytes, bytes + entry.size);
            entry.result = cr.result;
            entry.error = cr.result != 0 ? cr.error : 0;
            if (s.traceLimit != 0) {
                s.trace.push_back(std::move(entry));
                while (s.trace.size() > s.traceLimit) s.trace.pop_front();
            }
            if (cr.result == 0) return 0;
            result = cr.result;
            error = cr.error;
            errno = error;
            return result;
        }
    }
    return real<IoctlFn>(kIoctl)(fd, request, arg);
}

__attribute__((visibility("default"))) int close(int fd) {
    {
        SimLock lock;
        Simulator& s = lock.sim();
        if (s.client && !sharesParentMemory(s)) {
            if (s.client->owns(fd)) return s.client->close(fd);
            s.client->forget(fd);  // the program closes the connection's socket itself
        }
        auto it = sharesParentMemory(s) ? s.fds.end() : s.fds.find(fd);
        if (it != s.fds.end()) {
            detachDescriptor(*it->second, fd);
            s.fds.erase(it);
            return realClose(fd);  // an event descriptor: closing never blocks
        }
    }
    return real<CloseFn>(kClose)(fd);
}

}  // extern "C"
