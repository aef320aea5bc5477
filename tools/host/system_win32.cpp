#include <windows.h>

#include <atomic>
#include <cstdio>

#include "host/system.h"

namespace host::sys {

namespace {

std::atomic<bool> interruptSeen{false};

BOOL WINAPI onConsoleControl(DWORD)
{
    interruptSeen = true;
    return TRUE;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

std::wstring toWide(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string toUtf8(const wchar_t* wide, int length)
{
    if (length <= 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), size, nullptr, nullptr);
    return text;
}

// A console gets UTF-16 (its own code page may not be UTF-8); a pipe or file gets UTF-8 bytes.
void writeTo(DWORD which, const std::string& utf8)
{
    HANDLE handle = GetStdHandle(which);
    if (isConsole(handle)) {
        const std::wstring wide = toWide(utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    size_t done = 0;
    while (done < utf8.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

class WindowsKeyboard : public Keyboard {
public:
    explicit WindowsKeyboard(bool keyMode) : input_(GetStdHandle(STD_INPUT_HANDLE))
    {
        console_ = isConsole(input_);
        if (console_ && keyMode && GetConsoleMode(input_, &saved_)) {
            restore_ = SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) != 0;
        }
        pipe_ = !console_ && GetFileType(input_) == FILE_TYPE_PIPE;
    }
    ~WindowsKeyboard() override
    {
        if (restore_) SetConsoleMode(input_, saved_);
    }

    std::string take(bool& ended) override
    {
        if (!ended_) {
            if (console_)
                readConsole();
            else
                readStream();
        }
        ended = ended_;
        std::string typed;
        typed.swap(pending_);
        return typed;
    }

private:
    void readConsole()
    {
        DWORD waiting = 0;
        while (GetNumberOfConsoleInputEvents(input_, &waiting) && waiting > 0) {
            INPUT_RECORD records[32];
            DWORD count = 0;
            if (!ReadConsoleInputW(input_, records, 32, &count)) return;
            for (DWORD i = 0; i < count; ++i) {
                const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
                if (records[i].EventType != KEY_EVENT || !key.bKeyDown || key.uChar.UnicodeChar == 0) continue;
                for (WORD n = 0; n < key.wRepeatCount; ++n) pending_ += toUtf8(&key.uChar.UnicodeChar, 1);
            }
        }
    }

    void readStream()
    {
        if (input_ == nullptr || input_ == INVALID_HANDLE_VALUE) {
            ended_ = true;
            return;
        }
        for (;;) {
            DWORD available = 0;
            // A pipe is only read when something waits in it; a file never blocks for long.
            if (pipe_ && (!PeekNamedPipe(input_, nullptr, 0, nullptr, &available, nullptr))) {
                ended_ = true;
                return;
            }
            if (pipe_ && available == 0) return;
            char buffer[256];
            DWORD count = 0;
            if (!ReadFile(input_, buffer, sizeof buffer, &count, nullptr) || count == 0) {
                ended_ = true;
                return;
            }
            pending_.append(buffer, count);
            if (!pipe_) return;
        }
    }

    HANDLE input_;
    DWORD saved_ = 0;
    bool console_ = false;
    bool pipe_ = false;
    bool restore_ = false;
    bool ended_ = false;
    std::string pending_;
};

class WindowsEvent : public HostEvent {
public:
    WindowsEvent() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~WindowsEvent() override
    {
        if (event_) CloseHandle(event_);
    }
    OstrevaneEvent handle() const override { return reinterpret_cast<OstrevaneEvent>(event_); }
    bool takeSignal() override { return event_ && WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }

private:
    HANDLE event_;
};

}  // namespace

bool outputIsTerminal() { return isConsole(GetStdHandle(STD_OUTPUT_HANDLE)); }
void writeOutput(const std::string& utf8) { writeTo(STD_OUTPUT_HANDLE, utf8); }
void writeError(const std::string& utf8) { writeTo(STD_ERROR_HANDLE, utf8); }

bool enableScreenControl()
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode)) return false;
    return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void consoleSize(int& rows, int& columns)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        columns = info.srWindow.Right - info.srWindow.Left + 1;
    } else {
        rows = columns = 0;
    }
}

void catchInterrupts() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }
bool interrupted() { return interruptSeen; }
void sleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

std::unique_ptr<Keyboard> Keyboard::open(bool keyMode) { return std::make_unique<WindowsKeyboard>(keyMode); }

std::unique_ptr<HostEvent> HostEvent::create() { return std::make_unique<WindowsEvent>(); }

std::string hostPathSetting()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZORVA", 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    wchar_t value[1024];
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    std::string result;
    if (RegQueryValueExW(key, L"PATH", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        result = toUtf8(value, static_cast<int>(size / sizeof(wchar_t)));
        while (!result.empty() && result.back() == '\0') result.pop_back();
    }
    RegCloseKey(key);
    return result;
}

// The C runtime's copy is what the driver's getenv reads; the process's own block too,
// for anything that asks Windows.
void setEnvironment(const std::string& name, const std::string& value)
{
    _putenv_s(name.c_str(), value.c_str());
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

}  // namespace host::sys
