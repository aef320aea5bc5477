#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "sim/line_schedule.h"
#include "sim/serve.h"
#include "sim/trace.h"

namespace sim {

namespace {

// An answer nobody reads piles up here; beyond this the oldest bytes go.
constexpr size_t kMaxPendingOutput = 65536;
constexpr size_t kMaxConsoleLine = 4096;

int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installStopSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::signal(SIGPIPE, SIG_IGN);
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// No echo, no line editing, no translation: every byte passes as it is.
void makeRaw(termios2& line)
{
    line.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    line.c_oflag &= ~OPOST;
    line.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag &= ~(CSIZE | PARENB);
    line.c_cflag |= CS8 | CREAD | CLOCAL;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
}

void applyFormat(termios2& line, uint32_t baud, const LineFormat& format)
{
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CBAUD | (CBAUD << IBSHIFT));
    line.c_cflag |= sizes[format.dataBits - 5] | BOTHER | (BOTHER << IBSHIFT);
    if (format.parity != 'N') line.c_cflag |= PARENB | (format.parity == 'O' ? PARODD : 0);
    if (format.stopBits == 2) line.c_cflag |= CSTOPB;
    line.c_ispeed = line.c_ospeed = baud;
}

struct Line {
    int fd = -1;
    int slaveHold = -1;  // keeps a pseudo-terminal alive while no client has it open
    std::string path;

    ~Line() { close(); }

    // Closing both ends of a pseudo-terminal hangs it up for a client that still has it
    // open: its reads and writes fail from then on, as with an adapter pulled out.
    void close()
    {
        if (slaveHold >= 0) ::close(slaveHold);
        if (fd >= 0) ::close(fd);
        slaveHold = fd = -1;
    }
};

// The --link: a symbolic link that names the current pseudo-terminal. It is replaced
// by renaming a fresh link over it, so a client opening it finds the old line or the
// new one, never nothing.
bool pointLink(const std::string& link, const std::string& target, std::string& error)
{
    struct stat existing {};
    if (::lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = link + " exists and is not a symbolic link; --link leaves it alone";
        return false;
    }
    const std::string fresh = link + ".new" + std::to_string(::getpid());
    ::unlink(fresh.c_str());
    if (::symlink(target.c_str(), fresh.c_str()) != 0 || ::rename(fresh.c_str(), link.c_str()) != 0) {
        error = "cannot point " + link + " at " + target + ": " + std::strerror(errno);
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}

void removeLink(const std::string& link)
{
    struct stat existing {};
    if (!link.empty() && ::lstat(link.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) ::unlink(link.c_str());
}

bool openPseudoTerminal(Line& line, std::string& error)
{
    line.fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool ready = line.fd >= 0 && ::grantpt(line.fd) == 0 && ::unlockpt(line.fd) == 0;
    const char* name = ready ? ::ptsname(line.fd) : nullptr;
    if (!name) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    line.path = name;
    // Holding the slave open ourselves means a client may close and reopen it without
    // the master seeing a hang-up; raw mode keeps a client that sets nothing from echoing.
    line.slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    termios2 settings{};
    if (line.slaveHold < 0 || ::ioctl(line.slaveHold, TCGETS2, &settings) != 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        return false;
    }
    makeRaw(settings);
    ::ioctl(line.slaveHold, TCSETS2, &settings);
    ::fcntl(line.fd, F_SETFL, ::fcntl(line.fd, F_GETFL) | O_NONBLOCK);
    return true;
}

bool openDevice(Line& line, const Options& options, std::string& error)
{
    line.path = options.devicePath;
    line.fd = ::open(line.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios2 settings{};
    if (line.fd < 0 || ::ioctl(line.fd, TCGETS2, &settings) != 0) {
        error = "cannot open " + line.path + " as a serial line: " + std::strerror(errno);
        return false;
    }
    makeRaw(settings);
    applyFormat(settings, options.baud, options.format);
    if (::ioctl(line.fd, TCSETS2, &settings) != 0) {
        error = "cannot set " + line.path + " to " + std::to_string(options.baud) + " baud: " + std::strerror(errno);
        return false;
    }
    ::ioctl(line.fd, TCFLSH, TCIOFLUSH);
    return true;
}

void printLine(FILE* stream, const std::string& text)
{
    std::fputs(text.c_str(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Local time of day to the microsecond, the stamp of trace lines.
std::string timeStamp()
{
    const auto now = std::chrono::system_clock::now();
    const time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
    tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06lld", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<long long>(micros));
    return text;
}

class Server {
public:
    Server(Line& line, const Options& options, Simulator& simulator, Session& session)
        : line_(line),
          options_(options),
          simulator_(simulator),
          session_(session),
          start_(std::chrono::steady_clock::now())
    {}

    int run()
    {
        while (!session_.quit && !stopRequested_) {
            if (session_.unplugForMs) unplug(*std::exchange(session_.unplugForMs, std::nullopt));
            if (session_.unplugged && nowNs() >= plugBackNs_ && !plugBack()) return 1;
            schedule_.setPace(session_.pace);
            pass(nowNs());
            if (!wait()) return 1;
        }
        return 0;
    }

private:
    int64_t nowNs() const
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start_).count();
    }

    void trace(Direction direction, const std::string& bytes, const std::string& note) const
    {
        if (session_.trace && !bytes.empty()) printLine(stderr, traceLine(timeStamp(), direction, bytes, note));
    }

    void traceEvent(const std::string& text) const
    {
        if (session_.trace) printLine(stderr, timeStamp() + " -- " + text);
    }

    // The line goes away: whatever was heard or still to be sent goes with it. The link
    // names nothing meanwhile, as a vanished device node: the old number may soon be
    // given to some other program's pseudo-terminal, which a client must not open.
    void unplug(uint64_t durationMs)
    {
        std::string error;
        if (!options_.linkPath.empty() && !pointLink(options_.linkPath, options_.linkPath + ".unplugged", error))
            printLine(stderr, "ostrevane-sim: " + error);
        line_.close();
        pending_.clear();
        schedule_ = LineSchedule();
        simulator_.resetLine();
        session_.unplugged = true;
        plugBackNs_ = nowNs() + static_cast<int64_t>(durationMs) * 1000000;
        traceEvent("unplugged " + line_.path + " for " + std::to_string(durationMs) + "ms");
    }

    bool plugBack()
    {
        std::string error;
        if (!openPseudoTerminal(line_, error) ||
            (!options_.linkPath.empty() && !pointLink(options_.linkPath, line_.path, error))) {
            printLine(stderr, "ostrevane-sim: plugging in again: " + error);
            return false;
        }
        session_.unplugged = false;
        traceEvent("plugged in again as " + line_.path);
        return true;
    }

    // Hands heard bytes to the instruments and due answer bytes to the line.
    void pass(int64_t now)
    {
        const std::string heard = schedule_.heard(now);
        if (!heard.empty()) {
            for (const Exchange& exchange : simulator_.feed(heard, static_cast<uint64_t>(now / 1000000))) {
                trace(Direction::Received, exchange.received, exchange.description);
                schedule_.transmit(exchange.answer, now);
            }
        }
        LineSchedule::Due due = schedule_.due(now);
        for (const Chunk& chunk : due.started) trace(Direction::Sent, chunk.bytes, chunk.note);
        pending_ += due.bytes;
        if (pending_.size() > kMaxPendingOutput) pending_.erase(0, pending_.size() - kMaxPendingOutput);
        while (!pending_.empty() && line_.fd >= 0) {
            const ssize_t written = ::write(line_.fd, pending_.data(), pending_.size());
            if (written > 0)
                pending_.erase(0, static_cast<size_t>(written));
            else if (written < 0 && errno == EINTR)
                continue;
            else
                break;  // the line's queue is full: POLLOUT says when to go on
        }
    }

    // Sleeps until the line, the console or a signal has something, or the schedule is due.
    bool wait()
    {
        pollfd watched[3] = {{line_.fd, static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0},
                             {signalPipe[0], POLLIN, 0},
                             {consoleOpen_ ? STDIN_FILENO : -1, POLLIN, 0}};
        timespec timeout{};
        const timespec* limit = nullptr;
        std::optional<int64_t> next = schedule_.nextEventNs();
        if (session_.unplugged) next = std::min(next.value_or(plugBackNs_), plugBackNs_);
        if (next) {
            const int64_t left = std::max<int64_t>(0, *next - nowNs());
            timeout.tv_sec = static_cast<time_t>(left / 1000000000);
            timeout.tv_nsec = static_cast<long>(left % 1000000000);
            limit = &timeout;
        }
        if (::ppoll(watched, 3, limit, nullptr) < 0) return errno == EINTR;
        if (watched[1].revents & POLLIN) stopRequested_ = true;
        if (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            printLine(stderr, "ostrevane-sim: the line " + line_.path + " failed");
            return false;
        }
        if ((watched[0].revents & POLLIN) && !readLine()) return false;
        if (watched[2].revents & (POLLIN | POLLHUP)) readConsole();
        return true;
    }

    bool readLine()
    {
        char buffer[4096];
        const ssize_t got = ::read(line_.fd, buffer, sizeof buffer);
        if (got > 0) schedule_.arrived(std::string_view(buffer, static_cast<size_t>(got)), nowNs());
        if (got >= 0 || errno == EAGAIN || errno == EINTR) return true;
        printLine(stderr, "ostrevane-sim: reading " + line_.path + ": " + std::strerror(errno));
        return false;
    }

    void readConsole()
    {
        char buffer[1024];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            if (got == 0 || errno != EINTR) consoleOpen_ = false;  // end of input: keep serving the line
            return;
        }
        console_.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = console_.find('\n')) != std::string::npos) {
            const std::string command = console_.substr(0, end);
            console_.erase(0, end + 1);
            if (skippingLongLine_) {
                skippingLongLine_ = false;
                continue;
            }
            const auto answer = runCommand(command, simulator_, session_, static_cast<uint64_t>(nowNs() / 1000000));
            if (answer) printLine(stdout, *answer);
        }
        // A line without end in sight is answered once and skipped up to its newline.
        if (console_.size() > kMaxConsoleLine) {
            console_.clear();
            if (!skippingLongLine_) printLine(stdout, "error: line too long");
            skippingLongLine_ = true;
        }
    }

    Line& line_;
    const Options& options_;
    Simulator& simulator_;
    Session& session_;
    const std::chrono::steady_clock::time_point start_;
    LineSchedule schedule_;
    std::string pending_;
    std::string console_;
    bool consoleOpen_ = true;
    bool skippingLongLine_ = false;
    bool stopRequested_ = false;
    int64_t plugBackNs_ = 0;
};

}  // namespace

int serve(const Options& options, Simulator& simulator, Session& session)
{
    Line line;
    std::string error;
    const bool opened = options.pty ? openPseudoTerminal(line, error) : openDevice(line, options, error);
    const bool linked = opened && (options.linkPath.empty() || pointLink(options.linkPath, line.path, error));
    if (!linked || !installStopSignals()) {
        printLine(stderr, "ostrevane-sim: " + (error.empty() ? std::string("cannot install signal handlers") : error));
        if (linked) removeLink(options.linkPath);
        return 1;
    }
    printLine(stdout, line.path);
    const int status = Server(line, options, simulator, session).run();
    removeLink(options.linkPath);
    return status;
}

}  // namespace sim
