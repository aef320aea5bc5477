// Serial ports on Windows: an exclusive overlapped handle, so that no transfer can
// hold the host's thread longer than its wait.
#include <windows.h>

#include <string>

#include "serial/port_address.h"
#include "serial/serial_port.h"

namespace serial {
namespace {

class Win32PortBackend final : public PortBackend {
public:
    Win32PortBackend()
    {
        InitializeCriticalSection(&lock_);
        // Manual reset, not signalled: the completion event of every transfer.
        completion_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }

    ~Win32PortBackend() override
    {
        close();
        if (completion_ != nullptr) CloseHandle(completion_);
        DeleteCriticalSection(&lock_);
    }

    Win32PortBackend(const Win32PortBackend&) = delete;
    Win32PortBackend& operator=(const Win32PortBackend&) = delete;

    bool open(const std::string& portName, int& systemError) override
    {
        close();
        // The port's mapping names another device when set. The device namespace form
        // reaches COM10 and above too; "COM10" alone names a file.
        const std::string mapping = portMapping(portName);
        const std::string device = mapping.empty() ? portName : mapping;
        const std::string path = device.rfind("\\\\", 0) == 0 ? device : "\\\\.\\" + device;
        handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            systemError = lastError_ = static_cast<int>(GetLastError());
            return false;
        }
        return true;
    }

    bool isCharacterDevice() override { return isOpen() && GetFileType(handle_) == FILE_TYPE_CHAR; }

    bool setNonBlockingTimeouts() override
    {
        // A read returns at once with what is buffered; writes are bounded by the wait.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        return isOpen() && SetCommTimeouts(handle_, &timeouts) != FALSE;
    }

    bool applySettings(const LineSettings& settings) override
    {
        if (!isOpen()) return false;
        DCB state{};
        state.DCBlength = sizeof(state);
        if (!GetCommState(handle_, &state)) return failed();
        state.BaudRate = settings.baudRate;
        state.ByteSize = settings.dataBits;
        state.Parity = settings.parity;
        state.StopBits = settings.stopBits;
        state.XonChar = static_cast<char>(settings.xonChar);
        state.XoffChar = static_cast<char>(settings.xoffChar);
        state.ErrorChar = static_cast<char>(settings.errorChar);
        state.EofChar = static_cast<char>(settings.eofChar);
        state.EvtChar = static_cast<char>(settings.eventChar);
        state.XonLim = settings.xonLimit;
        state.XoffLim = settings.xoffLimit;
        // Handshake flags stay as the port has them; of the five option flags only
        // parity checking is wanted.
        state.fParity = settings.parityCheck ? 1 : 0;
        state.fDsrSensitivity = 0;
        state.fTXContinueOnXoff = 0;
        state.fErrorChar = 0;
        state.fNull = 0;
        return SetCommState(handle_, &state) != FALSE || failed();
    }

    bool setupBuffers(uint32_t inputSize, uint32_t outputSize) override
    {
        return isOpen() && SetupComm(handle_, inputSize, outputSize) != FALSE;
    }

    void purge() override
    {
        if (isOpen()) PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
    }

    int32_t bytesWaiting() override
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (!isOpen()) return -1;
        if (!ClearCommError(handle_, &errors, &status)) {
            failed();
            return -1;
        }
        return static_cast<int32_t>(status.cbInQue);
    }

    int32_t read(uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        return transfer(true, buffer, count, waitMs);
    }

    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        return transfer(false, const_cast<uint8_t*>(buffer), count, waitMs);
    }

    void close() override
    {
        if (!isOpen()) return;
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    int lastError() const override { return lastError_; }

private:
    bool failed()
    {
        lastError_ = static_cast<int>(GetLastError());
        return false;
    }

    // One overlapped transfer, waited for at most `waitMs`; the count moved or -1.
    int32_t transfer(bool reading, uint8_t* buffer, uint32_t count, uint32_t waitMs)
    {
        if (!isOpen() || completion_ == nullptr) return -1;
        EnterCriticalSection(&lock_);
        OVERLAPPED operation{};
        operation.hEvent = completion_;
        ResetEvent(completion_);
        const BOOL started = reading ? ReadFile(handle_, buffer, count, nullptr, &operation)
                                     : WriteFile(handle_, buffer, count, nullptr, &operation);
        int32_t result = -1;
        DWORD moved = 0;
        if (!started && GetLastError() != ERROR_IO_PENDING) {
            failed();
        } else {
            if (WaitForSingleObject(completion_, waitMs) == WAIT_OBJECT_0) {
                if (GetOverlappedResult(handle_, &operation, &moved, FALSE)) {
                    result = static_cast<int32_t>(moved);
                } else {
                    failed();
                }
            } else {
                // Given up: the operation must not outlive the caller's buffer or this
                // OVERLAPPED, so cancel it and wait until the system has let go of both.
                // If it completed in the meantime its bytes are real and are reported.
                CancelIo(handle_);
                lastError_ = ERROR_TIMEOUT;
                if (GetOverlappedResult(handle_, &operation, &moved, TRUE)) result = static_cast<int32_t>(moved);
            }
        }
        ResetEvent(completion_);
        LeaveCriticalSection(&lock_);
        return result;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE completion_ = nullptr;
    int lastError_ = 0;
    CRITICAL_SECTION lock_{};
};

}  // namespace

std::unique_ptr<PortBackend> createDevicePortBackend() { return std::make_unique<Win32PortBackend>(); }

bool deviceGone(int systemError)
{
    switch (systemError) {
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_ACCESS_DENIED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND: return true;
    default: return false;
    }
}

std::string systemErrorText(int systemError)
{
    char buffer[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(systemError), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace serial
