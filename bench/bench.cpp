// What users wait for, Quillet side by side with quillet_bare (bare.cpp), both built against
// an echo page on 127.0.0.1 that this driver serves itself:
//
//     quillet_bench [options] <quillet-binary> <bare-binary> <port>
//
// For each program, every run copies the binary into a fresh temporary folder and starts it
// there on Qt's offscreen platform (no DISPLAY). Start-up is the time from just before
// execve() (stamped by the child itself) to the inotify event of the complete ip.txt. Peak
// memory (VmHWM) is read at that moment, resting memory (VmRSS) after the rest period. One
// further run of each counts the context switches of all its threads over a window with no
// check due. Runs of the two programs alternate, after untimed warm-up runs, so that drift
// of the machine treats both alike. Every wait is bounded; every child is stopped.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kAnswer = "203.0.113.7";
constexpr std::string_view kAddressFile = "ip.txt";
constexpr int kStartDeadlineMs = 45000; // the programs' own limit is 10 s + 30 s
constexpr int kStopDeadlineMs = 10000;
constexpr int kKillDeadlineMs = 5000;
constexpr int kServerReadMs = 2000;
constexpr int kCheckPeriodS = 120;

struct Options {
    int runs = 10;
    int warmup = 1;
    int restS = 5;
    int windowS = 60;
    std::string quillet;
    std::string bare;
    int port = 0;
};

// Raised when the driver itself is told to stop (SIGINT, SIGTERM, SIGHUP); the destructors
// on the way out stop the child and remove its folder.
struct Interrupted {};

int g_stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

double nowMs()
{
    timespec ts = {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::string errnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Waits until one of `fds` is readable or `timeoutMs` passes; returns the index of a readable
// descriptor, or -1 on time-out. The driver's stop pipe is always watched too.
int waitReadable(const std::vector<int>& fds, int timeoutMs)
{
    std::vector<pollfd> watched;
    for (const int fd : fds)
        watched.push_back({fd, POLLIN, 0});
    watched.push_back({g_stopPipe[0], POLLIN, 0});
    const double deadline = nowMs() + timeoutMs;
    for (;;) {
        const int left = std::max(0, static_cast<int>(deadline - nowMs()));
        const int n = ::poll(watched.data(), watched.size(), left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::runtime_error(errnoText("poll"));
        if (n == 0)
            return -1;
        if (watched.back().revents != 0)
            throw Interrupted{};
        for (size_t i = 0; i + 1 < watched.size(); ++i) {
            if (watched[i].revents != 0)
                return static_cast<int>(i);
        }
    }
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One "Name:   1234 kB" figure of /proc/<pid>/status or a task's status; -1 if absent.
long statusField(const std::string& status, std::string_view name)
{
    size_t at = 0;
    while (at < status.size()) {
        const size_t end = std::min(status.find('\n', at), status.size());
        const std::string_view line(status.data() + at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name &&
            line[name.size()] == ':') {
            std::string_view rest = line.substr(name.size() + 1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
                rest.remove_prefix(1);
            long value = -1;
            std::from_chars(rest.data(), rest.data() + rest.size(), value);
            return value;
        }
        at = end + 1;
    }
    return -1;
}

long processField(pid_t pid, std::string_view name)
{
    return statusField(readFile("/proc/" + std::to_string(pid) + "/status"), name);
}

struct ContextSwitches {
    long total = 0;
    int threads = 0;
};

// Voluntary and non-voluntary switches of every thread the process has now.
ContextSwitches contextSwitches(pid_t pid)
{
    ContextSwitches sum;
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const fs::directory_entry& task : fs::directory_iterator(tasks, error)) {
        const std::string status = readFile(task.path() / "status");
        const long voluntary = statusField(status, "voluntary_ctxt_switches");
        const long involuntary = statusField(status, "nonvoluntary_ctxt_switches");
        if (voluntary < 0 || involuntary < 0)
            continue; // the thread ended while we looked
        sum.total += voluntary + involuntary;
        ++sum.threads;
    }
    return sum;
}

// The echo page: a minimal HTTP/1.1 responder on its own thread, one connection at a time.
class EchoServer {
public:
    EchoServer() = default;
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    void start(int port)
    {
        if (::pipe2(wake_, O_CLOEXEC) != 0)
            throw std::runtime_error(errnoText("pipe"));
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0)
            throw std::runtime_error(errnoText("socket"));
        const int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error(errnoText(("bind 127.0.0.1:" + std::to_string(port)).c_str()));
        if (::listen(listener_, 16) != 0)
            throw std::runtime_error(errnoText("listen"));
        thread_ = std::thread([this] { serve(); });
    }

    ~EchoServer()
    {
        if (thread_.joinable()) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
            thread_.join();
        }
        for (const int fd : {listener_, wake_[0], wake_[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    int requests() const { return requests_.load(); }

private:
    void serve()
    {
        for (;;) {
            pollfd watched[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(watched, 2, 1000) < 0 && errno != EINTR)
                return;
            if (watched[1].revents != 0)
                return;
            if (watched[0].revents == 0)
                continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            answer(client);
            ::close(client);
        }
    }

    void answer(int client)
    {
        std::string request;
        char buffer[2048];
        const double deadline = nowMs() + kServerReadMs;
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            pollfd watched = {client, POLLIN, 0};
            const int left = static_cast<int>(deadline - nowMs());
            if (left <= 0 || ::poll(&watched, 1, left) <= 0)
                return;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, static_cast<size_t>(n));
        }
        const std::string response =
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
            std::to_string(kAnswer.size()) +
            "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + std::string(kAnswer);
        size_t sent = 0;
        while (sent < response.size()) {
            const ssize_t n =
                ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
        ++requests_;
        ::shutdown(client, SHUT_WR);
    }

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<int> requests_{0};
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "quillet-bench.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error(errnoText("mkdtemp"));
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

class Fd {
public:
    explicit Fd(int fd)
        : fd_(fd)
    {
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// The environment of every child: the driver's, with no display and the offscreen platform.
std::vector<std::string> childEnvironment()
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (text.starts_with("DISPLAY=") || text.starts_with("WAYLAND_DISPLAY=") ||
            text.starts_with("QT_QPA_PLATFORM="))
            continue;
        env.emplace_back(text);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

// One started program. The destructor kills and reaps it if it still runs.
class Child {
public:
    Child(const fs::path& binary, const fs::path& log, const std::vector<std::string>& env)
    {
        // Everything the child needs is made before fork(): it only calls async-signal-safe
        // functions between fork() and execve().
        const std::string program = binary.string();
        std::vector<std::string> envCopy = env;
        std::vector<char*> envp;
        for (std::string& entry : envCopy)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string argv0 = program;
        char* argv[] = {argv0.data(), nullptr};
        const std::string dir = binary.parent_path().string();
        Fd devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        Fd logFd(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (devNull.get() < 0 || logFd.get() < 0)
            throw std::runtime_error(errnoText("open"));
        void* shared = ::mmap(nullptr, sizeof(timespec), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared == MAP_FAILED)
            throw std::runtime_error(errnoText("mmap"));
        auto* stamp = static_cast<timespec*>(shared);
        *stamp = {};
        const pid_t parent = ::getpid();

        pid_ = ::fork();
        if (pid_ < 0) {
            ::munmap(shared, sizeof(timespec));
            throw std::runtime_error(errnoText("fork"));
        }
        if (pid_ == 0) {
            // The child dies with the driver, however the driver ends.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(126);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            if (::chdir(dir.c_str()) != 0 || ::dup2(devNull.get(), 0) < 0 ||
                ::dup2(logFd.get(), 1) < 0 || ::dup2(logFd.get(), 2) < 0)
                ::_exit(126);
            ::clock_gettime(CLOCK_MONOTONIC, stamp);
            ::execve(program.c_str(), argv, envp.data());
            ::_exit(127);
        }
        pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        // Reading the stamp waits for nothing: the child wrote it before execve(), and the
        // caller reads it only after the program has shown a sign of life.
        stamp_ = stamp;
    }

    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    ~Child()
    {
        if (running()) {
            ::kill(pid_, SIGKILL);
            reap(kKillDeadlineMs);
        }
        if (pidfd_ >= 0)
            ::close(pidfd_);
        ::munmap(stamp_, sizeof(timespec));
    }

    pid_t pid() const { return pid_; }

    // When the child was about to execve(), on the CLOCK_MONOTONIC scale of nowMs().
    double execMs() const
    {
        return static_cast<double>(stamp_->tv_sec) * 1e3 +
               static_cast<double>(stamp_->tv_nsec) / 1e6;
    }

    bool running()
    {
        if (reaped_)
            return false;
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            reaped_ = true;
            status_ = status;
        }
        return !reaped_;
    }

    // Waits up to `timeoutMs` for `fd` to be readable while watching the child; returns true
    // when `fd` is readable, false on time-out; the child's end is an error.
    bool waitFor(int fd, int timeoutMs)
    {
        const double deadline = nowMs() + timeoutMs;
        for (;;) {
            const int left = std::max(0, static_cast<int>(deadline - nowMs()));
            std::vector<int> fds;
            if (fd >= 0)
                fds.push_back(fd);
            if (pidfd_ >= 0)
                fds.push_back(pidfd_);
            // Without a pidfd (an old kernel) the child is looked at every 50 ms.
            const int slice = pidfd_ >= 0 ? left : std::min(left, 50);
            const int ready = waitReadable(fds, slice);
            if (!running())
                throw std::runtime_error("the program ended by itself (" + describeStatus() + ")");
            if (ready >= 0 && fds[static_cast<size_t>(ready)] == fd)
                return true;
            if (nowMs() >= deadline)
                return false;
        }
    }

    // SIGTERM, then up to kStopDeadlineMs for the program to end; SIGKILL after that.
    // True when it ended by itself with exit status 0.
    bool stop()
    {
        if (!running())
            return false;
        ::kill(pid_, SIGTERM);
        if (reap(kStopDeadlineMs))
            return WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
        ::kill(pid_, SIGKILL);
        reap(kKillDeadlineMs);
        return false;
    }

    std::string describeStatus() const
    {
        if (!reaped_)
            return "still running";
        if (WIFEXITED(status_))
            return "exit status " + std::to_string(WEXITSTATUS(status_));
        if (WIFSIGNALED(status_))
            return std::string("signal ") + ::strsignal(WTERMSIG(status_));
        return "stopped";
    }

private:
    bool reap(int timeoutMs)
    {
        const double deadline = nowMs() + timeoutMs;
        while (running()) {
            const int left = static_cast<int>(deadline - nowMs());
            if (left <= 0)
                return false;
            if (pidfd_ >= 0) {
                pollfd watched = {pidfd_, POLLIN, 0};
                ::poll(&watched, 1, left);
            } else {
                ::usleep(static_cast<useconds_t>(std::min(left, 20)) * 1000);
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int pidfd_ = -1;
    timespec* stamp_ = nullptr;
    bool reaped_ = false;
    int status_ = 0;
};

struct RunResult {
    double startupMs = 0;
    long peakKiB = 0;
    long restingKiB = 0;
    std::string internal;
    bool cleanExit = false;
    std::string log;
    // Wake-up runs only.
    long wakeups = -1;
    int threadsBefore = 0;
    int threadsAfter = 0;
    int requestsInWindow = 0;
};

// The complete address file: the echo page's answer and an internal address (possibly
// empty), each followed by CR LF; the internal address, or nothing when incomplete.
std::optional<std::string> completeAddressFile(const std::string& text)
{
    const std::string head = std::string(kAnswer) + "\r\n";
    if (!text.starts_with(head) || !text.ends_with("\r\n"))
        return std::nullopt;
    const std::string internal = text.substr(head.size(), text.size() - head.size() - 2);
    if (internal.find('\n') != std::string::npos || internal.find('\r') != std::string::npos)
        return std::nullopt;
    return internal;
}

std::string tail(const std::string& text, size_t bytes)
{
    return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

RunResult runOnce(const std::string& binary, const Options& options, bool countWakeups,
                  const EchoServer& server)
{
    TempDir dir;
    const fs::path copy = dir.path() / fs::path(binary).filename();
    fs::copy_file(binary, copy);
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);
    const fs::path addressFile = dir.path() / kAddressFile;
    const fs::path log = dir.path() / "output.log";

    // The watch is in place before the program starts, so no event can be missed. A file
    // written in place closes, one renamed over moves in, and one linked in whole (QSaveFile's
    // O_TMPFILE and linkat()) is created; each time the content says whether it is complete.
    Fd inotify(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (inotify.get() < 0 || ::inotify_add_watch(inotify.get(), dir.path().c_str(),
                                                 IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO) < 0)
        throw std::runtime_error(errnoText("inotify"));

    RunResult result;
    Child child(copy, log, childEnvironment());
    try {
        double seenMs = 0;
        const double deadline = nowMs() + kStartDeadlineMs;
        while (seenMs == 0) {
            const int left = static_cast<int>(deadline - nowMs());
            if (left <= 0 || !child.waitFor(inotify.get(), left))
                throw std::runtime_error(
                    "no complete ip.txt within " + std::to_string(kStartDeadlineMs / 1000) +
                    " s; echo requests served so far: " + std::to_string(server.requests()) +
                    " (was it built with QUILLET_ECHO_HOST=127.0.0.1:" +
                    std::to_string(options.port) + " and QUILLET_ECHO_HTTPS=OFF?)");
            const double wokeMs = nowMs();
            alignas(inotify_event) char buffer[4096];
            const ssize_t got = ::read(inotify.get(), buffer, sizeof buffer);
            bool named = false;
            for (size_t at = 0;
                 got > 0 && at + sizeof(inotify_event) <= static_cast<size_t>(got);) {
                inotify_event event = {};
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                if (event.len > 0 && std::string_view(name) == kAddressFile)
                    named = true;
                at += sizeof event + event.len;
            }
            if (!named)
                continue;
            if (const auto internal = completeAddressFile(readFile(addressFile))) {
                seenMs = wokeMs;
                result.internal = *internal;
            }
        }
        result.startupMs = seenMs - child.execMs();
        result.peakKiB = processField(child.pid(), "VmHWM");

        child.waitFor(-1, options.restS * 1000);
        result.restingKiB = processField(child.pid(), "VmRSS");

        if (countWakeups) {
            const int requestsBefore = server.requests();
            const ContextSwitches before = contextSwitches(child.pid());
            child.waitFor(-1, options.windowS * 1000);
            const ContextSwitches after = contextSwitches(child.pid());
            result.wakeups = after.total - before.total;
            result.threadsBefore = before.threads;
            result.threadsAfter = after.threads;
            result.requestsInWindow = server.requests() - requestsBefore;
        }
        result.cleanExit = child.stop();
    } catch (const std::runtime_error& error) {
        child.stop();
        throw std::runtime_error(binary + ": " + error.what() + "\n--- its output:\n" +
                                 tail(readFile(log), 2000));
    }
    result.log = readFile(log);
    return result;
}

std::string loadAverage()
{
    std::string text = readFile("/proc/loadavg");
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

struct Series {
    std::vector<RunResult> runs;
    RunResult wake;
    int cleanExits = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename F> std::vector<double> collect(const Series& series, F&& figure)
{
    std::vector<double> values;
    for (const RunResult& run : series.runs)
        values.push_back(figure(run));
    return values;
}

void printRow(const char* figure, double quillet, double bare, int decimals, const char* target,
              std::optional<bool> met)
{
    char q[32];
    char b[32];
    char ratio[32];
    std::snprintf(q, sizeof q, "%.*f", decimals, quillet);
    std::snprintf(b, sizeof b, "%.*f", decimals, bare);
    if (bare > 0)
        std::snprintf(ratio, sizeof ratio, "%.2fx", quillet / bare);
    else
        std::snprintf(ratio, sizeof ratio, "%s", quillet > 0 ? "inf" : "-");
    std::printf("%-36s %10s %10s %8s   %-22s %s\n", figure, q, b, ratio, target,
                !met ? "" : (*met ? "met" : "MISSED"));
}

int parseNumber(const char* text, const char* what)
{
    int value = 0;
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size() || value < 0)
        throw std::invalid_argument(std::string("not a number for ") + what + ": " + text);
    return value;
}

Options parseOptions(int argc, char* argv[])
{
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        const auto value = [&](const char* what) {
            if (i + 1 >= argc)
                throw std::invalid_argument(std::string(what) + " needs a value");
            return parseNumber(argv[++i], what);
        };
        if (arg == "--runs")
            options.runs = value("--runs");
        else if (arg == "--warmup")
            options.warmup = value("--warmup");
        else if (arg == "--rest")
            options.restS = value("--rest");
        else if (arg == "--window")
            options.windowS = value("--window");
        else if (arg.starts_with("--"))
            throw std::invalid_argument("unknown option " + std::string(arg));
        else
            positional.emplace_back(arg);
    }
    if (positional.size() != 3)
        throw std::invalid_argument("three arguments needed");
    options.quillet = positional[0];
    options.bare = positional[1];
    options.port = parseNumber(positional[2].c_str(), "<port>");
    if (options.runs < 1 || options.port < 1 || options.port > 65535)
        throw std::invalid_argument("need --runs >= 1 and a port in 1..65535");
    if (options.restS + options.windowS + kStartDeadlineMs / 1000 >= kCheckPeriodS)
        throw std::invalid_argument("rest + window must leave the window before the next check");
    for (const std::string& binary : {options.quillet, options.bare}) {
        if (::access(binary.c_str(), X_OK) != 0)
            throw std::invalid_argument("not an executable: " + binary);
    }
    return options;
}

void installStopSignals()
{
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(errnoText("pipe"));
    struct sigaction action = {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void report(const Options& options, const Series& quillet, const Series& bare)
{
    const auto startup = [](const RunResult& r) { return r.startupMs; };
    const auto peak = [](const RunResult& r) { return static_cast<double>(r.peakKiB) / 1024; };
    const auto resting = [](const RunResult& r) {
        return static_cast<double>(r.restingKiB) / 1024;
    };

    std::printf("\nRuns, start-up in ms (to the complete ip.txt):\n");
    for (const auto& [name, series] : {std::pair{"quillet", &quillet}, std::pair{"bare", &bare}}) {
        std::printf("  %-8s", name);
        for (const RunResult& run : series->runs)
            std::printf(" %7.1f", run.startupMs);
        std::printf("\n");
    }
    std::printf("Internal address written: quillet \"%s\", bare \"%s\"\n",
                quillet.runs.front().internal.c_str(), bare.runs.front().internal.c_str());
    std::printf("Clean exit on SIGTERM (status 0): quillet %d/%zu, bare %d/%zu\n",
                quillet.cleanExits, quillet.runs.size() + 1, bare.cleanExits, bare.runs.size() + 1);
    for (const auto& [name, series] : {std::pair{"quillet", &quillet}, std::pair{"bare", &bare}}) {
        const RunResult& w = series->wake;
        std::printf("Wake-up run, %s: %ld switches in %d s, threads %d -> %d, echo requests in "
                    "the window: %d\n",
                    name, w.wakeups, options.windowS, w.threadsBefore, w.threadsAfter,
                    w.requestsInWindow);
    }

    const double startQ = median(collect(quillet, startup));
    const double startB = median(collect(bare, startup));
    const auto least = [](std::vector<double> v) { return *std::min_element(v.begin(), v.end()); };
    const double restQ = median(collect(quillet, resting));
    const double restB = median(collect(bare, resting));
    char window[64];
    std::snprintf(window, sizeof window, "wake-ups at rest in %d s", options.windowS);

    std::printf("\n%-36s %10s %10s %8s   %-22s\n", "figure", "Quillet", "bare", "ratio", "target");
    printRow("start-up, median (ms)", startQ, startB, 1, "<= 1.2x", startQ <= 1.2 * startB);
    printRow("start-up, min (ms)", least(collect(quillet, startup)), least(collect(bare, startup)),
             1, "", std::nullopt);
    printRow("peak memory VmHWM, median (MiB)", median(collect(quillet, peak)),
             median(collect(bare, peak)), 1, "", std::nullopt);
    printRow("resting memory VmRSS, median (MiB)", restQ, restB, 1, "<= 1.1x",
             restQ <= 1.1 * restB);
    printRow(window, static_cast<double>(quillet.wake.wakeups),
             static_cast<double>(bare.wake.wakeups), 0, "none between checks",
             quillet.wake.wakeups == 0);
    std::printf("\n%d timed runs each after %d warm-up run(s); memory is the median of the timed "
                "runs; resting = after %d s of rest.\n",
                options.runs, options.warmup, options.restS);
}

int run(const Options& options)
{
    EchoServer server;
    server.start(options.port);
    std::printf("Echo page on 127.0.0.1:%d answering \"%s\"; %d warm-up + %d timed runs each, "
                "then one %d s wake-up window each (after %d s of rest).\n",
                options.port, std::string(kAnswer).c_str(), options.warmup, options.runs,
                options.windowS, options.restS);
    std::fflush(stdout);

    // Other work on the machine shows here: both programs suffer it alike, but it widens
    // the spread of the figures.
    const std::string loadBefore = loadAverage();
    Series quillet;
    Series bare;
    const auto one = [&](const std::string& binary, Series& series, bool timed, bool wake) {
        RunResult result = runOnce(binary, options, wake, server);
        if (result.cleanExit && (timed || wake))
            ++series.cleanExits;
        if (wake)
            series.wake = result;
        else if (timed)
            series.runs.push_back(result);
    };
    for (int i = 0; i < options.warmup; ++i) {
        one(options.quillet, quillet, false, false);
        one(options.bare, bare, false, false);
    }
    const bool progress = ::isatty(2) != 0;
    for (int i = 0; i < options.runs; ++i) {
        if (progress)
            std::fprintf(stderr, "\r  run %d/%d", i + 1, options.runs);
        one(options.quillet, quillet, true, false);
        one(options.bare, bare, true, false);
    }
    if (progress)
        std::fprintf(stderr, "\r  wake-up windows (%d s each)\n", options.windowS);
    one(options.quillet, quillet, false, true);
    one(options.bare, bare, false, true);

    for (const auto& [name, series] : {std::pair{"quillet", &quillet}, std::pair{"bare", &bare}}) {
        if (!series->runs.front().log.empty())
            std::printf("Output of %s (first timed run):\n%s\n", name,
                        tail(series->runs.front().log, 1000).c_str());
    }
    report(options, quillet, bare);
    std::printf("Load average (1, 5, 15 min; running/all threads; last pid) before: %s; after: "
                "%s\n",
                loadBefore.c_str(), loadAverage().c_str());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr,
                     "quillet_bench: %s\n"
                     "usage: quillet_bench [--runs N] [--warmup N] [--rest S] [--window S] "
                     "<quillet-binary> <bare-binary> <port>\n"
                     "Both programs must be built with QUILLET_ECHO_HOST=127.0.0.1:<port> and "
                     "QUILLET_ECHO_HTTPS=OFF.\n",
                     error.what());
        return 2;
    }
    try {
        installStopSignals();
        return run(options);
    } catch (const Interrupted&) {
        std::fprintf(stderr, "\nquillet_bench: interrupted; every program it started is ended\n");
        return 130;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\nquillet_bench: %s\n", error.what());
        return 1;
    }
}
