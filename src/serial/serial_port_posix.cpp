// Serial lines on Linux. The kernel's termios2 interface is used throughout so that
// every rate of the baud table can be set, the non-standard ones (14400, 56000,
// 128000, 256000) as exact rates with BOTHER. <termios.h> must not be included here:
// its struct termios is not the kernel's one that <asm/termbits.h> declares.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "serial/port_address.h"
#include "serial/serial_line_posix.h"
#include "serial/serial_port.h"

namespace serial {

std::string devicePath(const std::string& portName)
{
    const std::string digits = portNumber(portName);
    if (digits.empty()) return {};
    const std::string mapping = portMapping(portName);
    return mapping.empty() ? "/dev/ttyS" + std::to_string(std::stoi(digits) - 1) : mapping;
}

namespace {

struct StandardRate {
    uint32_t bitsPerSecond;
    tcflag_t code;
};
constexpr StandardRate kStandardRates[] = {
    {110, B110},   {300, B300},     {600, B600},     {1200, B1200},   {2400, B2400},     {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

// Rates with a code of their own are set by that code, so that programs reading the
// line with the classic interface see them; the others as exact rates.
void setRate(termios2& line, uint32_t bitsPerSecond)
{
    line.c_cflag &= ~(CBAUD | CIBAUD);  // input rate follows the output rate
    tcflag_t code = BOTHER;
    for (const auto& rate : kStandardRates)
        if (rate.bitsPerSecond == bitsPerSecond) code = rate.code;
    line.c_cflag |= code;
    line.c_ispeed = bitsPerSecond;
    line.c_ospeed = bitsPerSecond;
}

bool setCharacterFormat(termios2& line, const LineSettings& settings)
{
    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    // Four-bit characters exist on some Windows ports only; no Linux line carries them.
    if (settings.dataBits < 5 || settings.dataBits > 8 || settings.parity > 4 || settings.stopBits > 2) return false;
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    line.c_cflag |= kSizes[settings.dataBits - 5];
    // none, odd, even, mark (stick parity 1), space (stick parity 0)
    constexpr tcflag_t kParity[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD, PARENB | CMSPAR};
    line.c_cflag |= kParity[settings.parity];
    // One and a half stop bits only exist with 5-bit characters, where the UART
    // produces them for the "two stop bits" setting.
    if (settings.stopBits != 0) line.c_cflag |= CSTOPB;
    line.c_iflag &= ~(INPCK | IGNPAR | PARMRK);
    if (settings.parityCheck && settings.parity != 0) line.c_iflag |= INPCK;
    return true;
}

// Raw bytes both ways: no line editing, echo, signals or character translation.
void makeRaw(termios2& line)
{
    line.c_iflag &= ~(IGNBRK | BRKINT | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC);
    // Software flow control stays off although a fresh Linux terminal has it on: the
    // reply's block check is an exclusive-or that can be 0x11 or 0x13, and the line
    // discipline would swallow it as Xon/Xoff. Hardware handshake stays as the port had it.
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    line.c_oflag &= ~OPOST;
    line.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag |= CLOCAL | CREAD;
    // A read returns at once with what is queued.
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
}

// Monotonic milliseconds. (<chrono> cannot be used: its "µs" literal has no GBK form.)
int64_t monotonicMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

bool composeLine(termios2& line, const LineSettings& settings)
{
    if (!setCharacterFormat(line, settings)) return false;
    makeRaw(line);
    setRate(line, settings.baudRate);
    line.c_cc[VSTART] = settings.xonChar;
    line.c_cc[VSTOP] = settings.xoffChar;
    return true;
}

namespace {

class PosixPortBackend final : public PortBackend {
public:
    ~PosixPortBackend() override { close(); }

    bool open(const std::string& portName, int& systemError) override
    {
        close();
        const std::string path = devicePath(portName);
        if (path.empty()) {
            systemError = ENOENT;
            return false;
        }
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            systemError = lastError_ = errno;
            return false;
        }
        // The lock keeps out every other port object, in this process or another,
        // root included; TIOCEXCL also turns away programs that do not lock.
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            systemError = lastError_ = errno;
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        ::ioctl(fd_, TIOCEXCL);  // fails on a non-terminal, which isCharacterDevice turns away
        return true;
    }

    bool isCharacterDevice() override
    {
        struct stat status {};
        return fd_ >= 0 && ::fstat(fd_, &status) == 0 && S_ISCHR(status.st_mode) && ::isatty(fd_) == 1;
    }

    // The descriptor is non-blocking and the line is set to VMIN = VTIME = 0.
    bool setNonBlockingTimeouts() override { return fd_ >= 0; }

    bool applySettings(const LineSettings& settings) override
    {
        termios2 line{};
        if (fd_ < 0 || ::ioctl(fd_, TCGETS2, &line) != 0) return failed(errno);
        if (!composeLine(line, settings)) return failed(EINVAL);
        return ::ioctl(fd_, TCSETS2, &line) == 0 || failed(errno);
    }

    // The kernel sizes its own queues.
    bool setupBuffers(uint32_t, uint32_t) override { return fd_ >= 0; }

    void purge() override
    {
        if (fd_ >= 0) ::ioctl(fd_, TCFLSH, TCIOFLUSH);
    }

    int32_t bytesWaiting() override
    {
        int count = 0;
        if (fd_ < 0) return -1;
        if (::ioctl(fd_, FIONREAD, &count) != 0) return failure(errno);
        // A pseudo-terminal whose far end has closed answers FIONREAD with 0 for ever;
        // only poll tells that the line has hung up.
        pollfd state{fd_, POLLIN, 0};
        if (count == 0 && ::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return failure(EIO);
        return count;
    }

    int32_t read(uint8_t* buffer, uint32_t count, uint32_t) override
    {
        if (fd_ < 0) return -1;
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, count);
            if (got >= 0) return static_cast<int32_t>(got);
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
            if (errno != EINTR) return failure(errno);
        }
    }

    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        if (fd_ < 0) return -1;
        const int64_t deadline = monotonicMs() + waitMs;
        uint32_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(fd_, buffer + done, count - done);
            if (put > 0) {
                done += static_cast<uint32_t>(put);
                continue;
            }
            if (put < 0 && errno == EINTR) continue;
            if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return failure(errno);
            // The output queue is full: wait for room, but no longer than the write wait.
            const int64_t left = deadline - monotonicMs();
            if (left <= 0) return failure(ETIMEDOUT);
            pollfd wanted{fd_, POLLOUT, 0};
            const int ready = ::poll(&wanted, 1, static_cast<int>(left));
            if (ready < 0 && errno != EINTR) return failure(errno);
            if (ready > 0 && (wanted.revents & POLLOUT) == 0) return failure(EIO);  // hang-up or error
        }
        return static_cast<int32_t>(done);
    }

    void close() override
    {
        if (fd_ < 0) return;
        // On a pseudo-terminal the exclusive flag outlives the descriptor; clear it.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }

    bool isOpen() const override { return fd_ >= 0; }
    int lastError() const override { return lastError_; }

private:
    bool failed(int error)
    {
        lastError_ = error;
        return false;
    }
    int32_t failure(int error)
    {
        lastError_ = error;
        return -1;
    }

    int fd_ = -1;
    int lastError_ = 0;
};

}  // namespace

std::unique_ptr<PortBackend> createDevicePortBackend() { return std::make_unique<PosixPortBackend>(); }

bool deviceGone(int systemError)
{
    return systemError == EIO || systemError == ENXIO || systemError == ENODEV || systemError == EBADF ||
           systemError == EPIPE;
}

std::string systemErrorText(int systemError)
{
    char buffer[256] = {};
    // The GNU form returns the text, which need not be in the buffer.
    const char* text = ::strerror_r(systemError, buffer, sizeof buffer);
    return text ? text : "";
}

}  // namespace serial
