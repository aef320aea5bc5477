#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "host/system.h"

namespace host::sys {

namespace {

std::atomic<bool> interruptSeen{false};

void onInterrupt(int) { interruptSeen = true; }

void writeAll(int descriptor, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        done += static_cast<size_t>(written);
    }
}

class PosixKeyboard : public Keyboard {
public:
    explicit PosixKeyboard(bool keyMode)
    {
        if (keyMode && isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios raw = saved_;
            // Keys one by one, no echo; Ctrl-C still interrupts.
            raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            restore_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
        }
    }
    ~PosixKeyboard() override
    {
        if (restore_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }

    std::string take(bool& ended) override
    {
        ended = ended_;
        std::string typed;
        while (!ended_) {
            pollfd entry{STDIN_FILENO, POLLIN, 0};
            if (poll(&entry, 1, 0) <= 0 || (entry.revents & (POLLIN | POLLHUP)) == 0) break;
            char buffer[256];
            const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) {
                ended_ = true;
                break;
            }
            typed.append(buffer, static_cast<size_t>(count));
        }
        ended = ended_;
        return typed;
    }

private:
    termios saved_{};
    bool restore_ = false;
    bool ended_ = false;
};

class EventDescriptor : public HostEvent {
public:
    EventDescriptor() : descriptor_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~EventDescriptor() override
    {
        if (descriptor_ >= 0) close(descriptor_);
    }
    OstrevaneEvent handle() const override { return static_cast<OstrevaneEvent>(descriptor_); }
    bool takeSignal() override
    {
        uint64_t count = 0;
        return descriptor_ >= 0 && read(descriptor_, &count, sizeof count) == static_cast<ssize_t>(sizeof count) &&
               count > 0;
    }

private:
    int descriptor_;
};

}  // namespace

bool outputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
void writeOutput(const std::string& utf8) { writeAll(STDOUT_FILENO, utf8); }
void writeError(const std::string& utf8) { writeAll(STDERR_FILENO, utf8); }
bool enableScreenControl() { return outputIsTerminal(); }

void consoleSize(int& rows, int& columns)
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
        rows = size.ws_row;
        columns = size.ws_col;
    } else {
        rows = columns = 0;
    }
}

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A reader that went away must not kill the host before it frees the driver.
    signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return interruptSeen; }

void sleepMilliseconds(uint32_t milliseconds)
{
    timespec pause{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR && !interruptSeen) {
    }
}

std::unique_ptr<Keyboard> Keyboard::open(bool keyMode) { return std::make_unique<PosixKeyboard>(keyMode); }

std::unique_ptr<HostEvent> HostEvent::create() { return std::make_unique<EventDescriptor>(); }

std::string hostPathSetting()
{
    const char* value = std::getenv("ZORVA_PATH");
    return value ? value : "";
}

void setEnvironment(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }

}  // namespace host::sys
