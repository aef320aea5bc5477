// Drives the configuration wizard of Ostrevane800.dll through its real windows, as
// an engineer would, and photographs every page.
//
// The main thread plays the host: it owns a main window and calls DLLEdDev, which
// runs the pages modally. A second thread plays the engineer: it waits for each
// page window of this process (by its caption), saves a PNG of it, and clicks
// buttons by their captions. Five wizard runs:
//   1. start page, debug page, version message, new -> single device -> serial port
//      -> confirmation -> Finish: DLLEdDev gives 1 and a block with one device;
//   2. modify -> the modify page, closed by its close box: nothing is written;
//   3. new -> several devices -> the several-devices page, closed by its close box;
//   4. several devices: a number typed, a device added, even parity chosen, Finish;
//   5. browse chosen by a double click, the confirmation page closed by its close box.
// The pictures go to the current folder. The last line says PASS or FAIL.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"

namespace {

// ---- PNG of stored (uncompressed) deflate blocks ---------------------------------

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const std::vector<uint8_t>& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    putBig32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + start, out.size() - start));
}

// A window picture has few colours: with at most 256 the pixels become palette
// indexes, a third of the size, since the blocks are stored uncompressed.
bool toPalette(const std::vector<uint8_t>& rgb, std::vector<uint8_t>& palette, std::vector<uint8_t>& indexes)
{
    std::map<uint32_t, uint8_t> known;
    indexes.resize(rgb.size() / 3);
    for (size_t i = 0; i < indexes.size(); ++i) {
        const uint32_t colour = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
        auto found = known.find(colour);
        if (found == known.end()) {
            if (known.size() == 256) return false;
            found = known.emplace(colour, static_cast<uint8_t>(known.size())).first;
            palette.insert(palette.end(), rgb.begin() + i * 3, rgb.begin() + i * 3 + 3);
        }
        indexes[i] = found->second;
    }
    return true;
}

// rgb: height rows of width * 3 bytes.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> palette;
    std::vector<uint8_t> indexes;
    const bool indexed = toPalette(rgb, palette, indexes);
    const std::vector<uint8_t>& pixels = indexed ? indexes : rgb;
    const size_t rowBytes = static_cast<size_t>(width) * (indexed ? 1 : 3);
    std::vector<uint8_t> raw;  // each row after its filter byte 0 (none)
    raw.reserve(static_cast<size_t>(height) * (rowBytes + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const auto row = pixels.begin() + static_cast<ptrdiff_t>(y * rowBytes);
        raw.insert(raw.end(), row, row + static_cast<ptrdiff_t>(rowBytes));
    }
    std::vector<uint8_t> zlib{0x78, 0x01};
    size_t offset = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - offset, 65535);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + offset, raw.begin() + offset + length);
        offset += length;
    } while (offset < raw.size());
    putBig32(zlib, adler32(raw));

    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    // 8 bits, palette or RGB, deflate, no filter, no interlace
    header.insert(header.end(), {8, static_cast<uint8_t>(indexed ? 3 : 2), 0, 0, 0});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR", header);
    if (indexed) putChunk(png, "PLTE", palette);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

// ---- reporting ----------------------------------------------------------------------

std::mutex outputLock;
std::vector<std::string> failures;
int screenshots = 0;

void say(const char* format, ...)
{
    std::lock_guard<std::mutex> lock(outputLock);
    va_list arguments;
    va_start(arguments, format);
    std::fputs("wizard-drive: ", stdout);
    std::vfprintf(stdout, format, arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    va_end(arguments);
}

void fail(const std::string& what)
{
    say("failed: %s", what.c_str());
    std::lock_guard<std::mutex> lock(outputLock);
    failures.push_back(what);
}

std::string narrow(const std::wstring& text)
{
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string result(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

// ---- windows of this process --------------------------------------------------------

HWND hostWindow = nullptr;
constexpr DWORD kWaitMs = 10000;
constexpr DWORD kPollMs = 50;

// Read without sending a message, so a busy page thread cannot block the engineer.
std::wstring textOf(HWND window)
{
    wchar_t buffer[512] = {};
    const int length = InternalGetWindowText(window, buffer, 512);
    return std::wstring(buffer, static_cast<size_t>(std::max(length, 0)));
}

std::wstring classOf(HWND window)
{
    wchar_t buffer[128] = {};
    const int length = GetClassNameW(window, buffer, 128);
    return std::wstring(buffer, static_cast<size_t>(std::max(length, 0)));
}

// Window enumeration with a visitor that returns false to stop.
using Visitor = std::function<bool(HWND)>;

BOOL CALLBACK visitWindow(HWND window, LPARAM context)
{
    return (*reinterpret_cast<const Visitor*>(context))(window) ? TRUE : FALSE;
}

void forEachTopWindow(const Visitor& visit) { EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&visit)); }

void forEachChild(HWND parent, const Visitor& visit)
{
    EnumChildWindows(parent, visitWindow, reinterpret_cast<LPARAM>(&visit));
}

std::vector<HWND> visibleTopWindows()
{
    std::vector<HWND> found;
    forEachTopWindow([&](HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && window != hostWindow && IsWindowVisible(window)) {
            found.push_back(window);
        }
        return true;
    });
    return found;
}

// Polls until a visible window of this process satisfies `wanted` (bounded).
HWND waitForWindow(const std::function<bool(HWND)>& wanted, const std::string& what)
{
    const DWORD start = GetTickCount();
    do {
        for (HWND window : visibleTopWindows()) {
            if (wanted(window)) return window;
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < kWaitMs);
    fail("no " + what + " within 10 s");
    return nullptr;
}

// A page ready for input: visible, enabled (no message box over it), its caption
// holding `captionPart`.
HWND waitForPage(const std::wstring& captionPart, const std::string& what)
{
    return waitForWindow(
        [&](HWND window) {
            return IsWindowEnabled(window) && classOf(window) != L"#32770" &&
                   textOf(window).find(captionPart) != std::wstring::npos;
        },
        what);
}

bool waitUntilGone(HWND window, const std::string& what)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= kWaitMs) {
            fail(what + " did not close within 10 s");
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

bool hasPendingPaint(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE)) return true;
    bool pending = false;
    forEachChild(window, [&](HWND child) {
        pending = IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE);
        return !pending;
    });
    return pending;
}

// Until the page's thread has gone through its loop with nothing left to paint.
void waitPainted(HWND window)
{
    const DWORD start = GetTickCount();
    DWORD_PTR ignored = 0;
    do {
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored);
        if (!hasPendingPaint(window)) break;
        Sleep(kPollMs);
    } while (GetTickCount() - start < kWaitMs);
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored);
}

// The window as it is on the screen, title bar included.
bool screenshot(HWND window, const std::string& file)
{
    if (!window) return false;
    waitPainted(window);
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    if (width <= 0 || height <= 0) {
        fail(file + ": the window has no size");
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    const bool copied =
        bits && BitBlt(memory, 0, 0, width, height, screen, outer.left, outer.top, SRCCOPY | CAPTUREBLT);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    std::set<uint32_t> colours;
    if (copied) {
        const auto* pixels = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            rgb[i * 3] = pixels[i * 4 + 2];
            rgb[i * 3 + 1] = pixels[i * 4 + 1];
            rgb[i * 3 + 2] = pixels[i * 4];
            if (colours.size() < 16) colours.insert(pixels[i * 4] | pixels[i * 4 + 1] << 8 | pixels[i * 4 + 2] << 16);
        }
    }
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) {
        fail(file + ": the screen could not be copied");
        return false;
    }
    // A page drawn at all shows text, frames and a title bar: many colours.
    if (colours.size() < 4) {
        fail(file + ": the picture is blank");
        return false;
    }
    if (!writePng(file, width, height, rgb)) {
        fail(file + ": could not be written");
        return false;
    }
    say("saved %s (%dx%d) of \"%s\"", file.c_str(), width, height, narrow(textOf(window)).c_str());
    std::lock_guard<std::mutex> lock(outputLock);
    ++screenshots;
    return true;
}

HWND childButton(HWND page, const std::wstring& captionStart)
{
    HWND found = nullptr;
    forEachChild(page, [&](HWND child) {
        const bool button = _wcsicmp(classOf(child).c_str(), L"Button") == 0;
        if (button && textOf(child).rfind(captionStart, 0) == 0) found = child;
        return !found;
    });
    return found;
}

// Posted, not sent: a click that opens a modal page must not hold up the engineer.
bool click(HWND page, const std::wstring& captionStart)
{
    HWND button = page ? childButton(page, captionStart) : nullptr;
    if (!button) {
        fail("no button \"" + narrow(captionStart) + "\" on \"" + narrow(page ? textOf(page) : L"") + "\"");
        return false;
    }
    if (!IsWindowEnabled(button) || !IsWindowVisible(button)) {
        fail("button \"" + narrow(captionStart) + "\" cannot be clicked");
        return false;
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

HWND childOfClass(HWND page, const std::wstring& className)
{
    HWND found = nullptr;
    forEachChild(page, [&](HWND child) {
        if (_wcsicmp(classOf(child).c_str(), className.c_str()) == 0) found = child;
        return !found;
    });
    return found;
}

// The text of a control on the page's thread (sent: controls keep their text there).
std::wstring controlText(HWND control)
{
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 1000, &copied);
    return std::wstring(buffer, std::min<size_t>(copied, 1023));
}

// Polls until the control shows `expected` (bounded); false and a failure otherwise.
bool waitForText(HWND control, const std::wstring& expected, const std::string& what)
{
    const DWORD start = GetTickCount();
    while (controlText(control) != expected) {
        if (GetTickCount() - start >= kWaitMs) {
            fail(what + " shows \"" + narrow(controlText(control)) + "\", not \"" + narrow(expected) + "\"");
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

// Types as the user would: the edit changes its text and tells the page.
void typeInto(HWND edit, const std::wstring& text)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 1000, &ignored);
}

int treeCount(HWND page)
{
    HWND tree = childOfClass(page, L"SysTreeView32");
    DWORD_PTR count = 0;
    if (tree) SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 1000, &count);
    return tree ? static_cast<int>(count) : -1;
}

// The index of the selected node of the page's tree view; -1 for none, -2 without a tree.
int treeSelection(HWND page)
{
    HWND tree = FindWindowExW(page, nullptr, L"SysTreeView32", nullptr);
    for (HWND container = FindWindowExW(page, nullptr, nullptr, nullptr); !tree && container;
         container = FindWindowExW(page, container, nullptr, nullptr)) {
        tree = FindWindowExW(container, nullptr, L"SysTreeView32", nullptr);
    }
    if (!tree) return -2;
    DWORD_PTR selected = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 1000, &selected);
    if (!selected) return -1;
    DWORD_PTR first = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_NORMAL, 1000, &first);
    return selected == first ? 0 : 1;
}

// A double click as the mouse makes it: press, release, double press, release.
bool doubleClick(HWND page, const std::wstring& captionStart)
{
    HWND button = page ? childButton(page, captionStart) : nullptr;
    if (!button) {
        fail("no option \"" + narrow(captionStart) + "\" to double-click");
        return false;
    }
    const LPARAM inside = MAKELPARAM(4, 4);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        PostMessageW(button, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, inside);
    }
    return true;
}

void closeBox(HWND window)
{
    if (window) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// ---- the three runs ---------------------------------------------------------------

const std::wstring kStartCaption = L"向导：选择执行的操作方式";
const std::wstring kCreationModeCaption = L"向导：选择创建设备的方式";

void checkFrame(HWND page)
{
    RECT client{};
    GetClientRect(page, &client);
    if (client.right != 475 || client.bottom != 333) {
        fail("client area is " + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
             ", not 475x333");
    }
    RECT outer{};
    GetWindowRect(page, &outer);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int expectedLeft = (screenWidth - (outer.right - outer.left)) / 2;
    const int expectedTop = (screenHeight - (outer.bottom - outer.top)) / 2;
    if (std::abs(outer.left - expectedLeft) > 1 || std::abs(outer.top - expectedTop) > 1) {
        fail("the page is not centred on the screen");
    }
    if (!(GetWindowLongPtrW(page, GWL_EXSTYLE) & WS_EX_TOPMOST)) fail("the page does not stay on top");
    if (IsWindowEnabled(hostWindow)) fail("the host's window takes input while a page is up");
}

bool hasChildStartingWith(HWND page, const std::wstring& prefix)
{
    bool found = false;
    forEachChild(page, [&](HWND child) {
        found = textOf(child).rfind(prefix, 0) == 0;
        return !found;
    });
    return found;
}

// Ticking the debug switch warns once and shows the loading bar; the load timer
// then hides the bar and puts the status line back.
void switchDebuggingOn(HWND debug)
{
    HWND debugSwitch = childButton(debug, L"调试开关");
    HWND bar = childOfClass(debug, L"msctls_progress32");
    if (!bar) fail("the debug page has no loading bar");
    if (!click(debug, L"调试开关")) return;
    HWND warning = waitForWindow([](HWND window) { return classOf(window) == L"#32770"; }, "debug warning");
    if (!warning) return;
    PostMessageW(warning, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!waitUntilGone(warning, "the debug warning")) return;
    const std::wstring loaded = L"调试开关-查看和编辑今天的设备运行历史";
    const auto done = [&] { return (!bar || !IsWindowVisible(bar)) && hasChildStartingWith(debug, loaded); };
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < kWaitMs) Sleep(kPollMs);
    if (!done()) fail("the debug page did not finish loading the log (bar still shown or status line not back)");
    DWORD_PTR checked = 0;
    SendMessageTimeoutW(debugSwitch, BM_GETCHECK, 0, 0, SMTO_NORMAL, 1000, &checked);
    if (checked != BST_CHECKED) fail("the debug switch is not ticked after clicking it");
}

// Save As: the file dialog offers the log filter; the name typed without extension
// gets the log extension, and the file is written.
void saveLogAs(HWND debug)
{
    if (!click(debug, L"另存为")) return;
    constexpr int kFileTypes = 0x470;  // cmb1 of the common file dialogs
    HWND dialog = waitForWindow(
        [](HWND window) { return classOf(window) == L"#32770" && GetDlgItem(window, kFileTypes) != nullptr; },
        "save dialog");
    if (!dialog) return;
    wchar_t type[256] = {};
    HWND types = GetDlgItem(dialog, kFileTypes);
    DWORD_PTR ignored = 0;
    if (types) SendMessageTimeoutW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(type), SMTO_NORMAL, 1000, &ignored);
    const wchar_t logFilter[] = L"调试日志文件";
    if (wcsncmp(type, logFilter, wcslen(logFilter)) != 0) {
        fail("the save dialog offers \"" + narrow(type) + "\", not the log filter");
    }
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring base = std::wstring(folder) + L"\\saved-log";
    DeleteFileW((base + L".log").c_str());
    // The name box is an edit inside a combo box (cmb13).
    HWND name = nullptr;
    forEachChild(dialog, [&](HWND child) {
        if (GetDlgCtrlID(child) == 0x47C && _wcsicmp(classOf(child).c_str(), L"Edit") == 0) name = child;
        return !name;
    });
    if (!name) name = childOfClass(dialog, L"Edit");
    if (!name) {
        fail("the save dialog has no name box");
        return;
    }
    typeInto(name, base);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!waitUntilGone(dialog, "the save dialog")) return;
    const DWORD start = GetTickCount();
    const auto written = [&] { return GetFileAttributesW((base + L".log").c_str()) != INVALID_FILE_ATTRIBUTES; };
    while (!written() && GetTickCount() - start < kWaitMs) Sleep(kPollMs);
    if (!written()) {
        fail("Save As did not write " + narrow(base) + ".log");
    }
    DeleteFileW((base + L".log").c_str());
}

void newSingleDevice()
{
    HWND start = waitForPage(kStartCaption, "start page");
    if (!start) return;
    checkFrame(start);
    screenshot(start, "start.png");

    if (!click(start, L"调试设置")) return;
    HWND debug = waitForPage(L"向导：设置调试选项", "debug page");
    if (!debug) return;
    if (IsWindowVisible(start)) fail("the start page stays visible under the debug page");
    screenshot(debug, "debug.png");
    switchDebuggingOn(debug);
    saveLogAs(debug);
    closeBox(debug);
    if (!waitUntilGone(debug, "the debug page")) return;

    start = waitForPage(kStartCaption, "start page after the debug page");
    if (!click(start, L"帮助信息")) return;
    HWND message = waitForWindow([](HWND window) { return classOf(window) == L"#32770"; }, "version message box");
    if (!message) return;
    if (IsWindowVisible(start)) fail("the start page stays visible under the version message");
    screenshot(message, "version.png");
    PostMessageW(message, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!waitUntilGone(message, "the version message box")) return;

    start = waitForPage(kStartCaption, "start page after the version message");
    if (!click(start, L"下一步")) return;
    HWND mode = waitForPage(kCreationModeCaption, "creation-mode page");
    if (!screenshot(mode, "creation-mode.png") || !click(mode, L"下一步")) return;
    HWND single = waitForPage(L"向导：创建单个", "single-device page");
    if (!screenshot(single, "single-device.png") || !click(single, L"下一步")) return;
    HWND serial = waitForPage(L"串行口通讯参数", "serial page");
    if (!screenshot(serial, "serial.png") || !click(serial, L"下一步")) return;
    HWND confirmation = waitForPage(L"向导退出前的确认", "confirmation page");
    if (!screenshot(confirmation, "confirmation.png")) return;
    click(confirmation, L"完成");
}

void modifyDevices()
{
    HWND start = waitForPage(kStartCaption, "start page");
    if (!start || !click(start, L"修改设备") || !click(start, L"下一步")) return;
    HWND modify = waitForPage(L"参数或删除", "modify page");
    if (treeSelection(modify) != 0) fail("the modify page does not open with its first device selected");
    if (!screenshot(modify, "modify.png")) return;
    closeBox(modify);
}

void newSeveralDevices()
{
    HWND start = waitForPage(kStartCaption, "start page");
    if (!start || !click(start, L"下一步")) return;
    HWND mode = waitForPage(kCreationModeCaption, "creation-mode page");
    if (!mode || !click(mode, L"多个") || !click(mode, L"下一步")) return;
    HWND several = waitForPage(L"向导：创建多个", "several-devices page");
    if (treeSelection(several) != -1) fail("the several-devices page opens with a device selected");
    if (!screenshot(several, "several-devices.png")) return;
    closeBox(several);
}

// Typing a number beyond the range shows the highest one; Add puts that device in
// the tree; even parity on the serial page reaches the summary; Finish writes it.
void addDeviceAndParity()
{
    HWND start = waitForPage(kStartCaption, "start page");
    if (!start || !click(start, L"下一步")) return;
    HWND mode = waitForPage(kCreationModeCaption, "creation-mode page");
    if (!mode || !click(mode, L"多个") || !click(mode, L"下一步")) return;
    HWND several = waitForPage(L"向导：创建多个", "several-devices page");
    HWND number = several ? childOfClass(several, L"Edit") : nullptr;
    if (!number) {
        fail("no device-number edit on the several-devices page");
        return;
    }
    typeInto(number, L"150");
    if (!waitForText(number, L"99", "the device number typed as 150")) return;
    if (!click(several, L"添加")) return;
    const DWORD begin = GetTickCount();
    while (treeCount(several) != 2 && GetTickCount() - begin < kWaitMs) Sleep(kPollMs);
    if (treeCount(several) != 2) fail("the tree has " + std::to_string(treeCount(several)) + " nodes after Add, not 2");
    if (!waitForText(number, L"1", "the device number after Add")) return;
    if (!click(several, L"下一步")) return;
    HWND serial = waitForPage(L"串行口通讯参数", "serial page");
    if (!serial || !click(serial, L"偶校验") || !click(serial, L"下一步")) return;
    HWND confirmation = waitForPage(L"向导退出前的确认", "confirmation page");
    if (!confirmation) return;
    if (treeCount(confirmation) != 2) fail("the confirmation page does not show both devices");
    HWND summary = childOfClass(confirmation, L"Edit");
    if (!summary || controlText(summary).find(L"偶校验") == std::wstring::npos) {
        fail("the summary does not show even parity: \"" + narrow(summary ? controlText(summary) : L"") + "\"");
    }
    click(confirmation, L"完成");
}

// Double-clicking an option of the start page does what Next does: browsing goes
// straight to the confirmation page.
void browseByDoubleClick()
{
    HWND start = waitForPage(kStartCaption, "start page");
    if (!start || !doubleClick(start, L"察看设备")) return;
    HWND confirmation = waitForPage(L"向导退出前的确认", "confirmation page after double-clicking browse");
    if (!confirmation) return;
    if (treeCount(confirmation) != 2) fail("browsing does not show the two configured devices");
    closeBox(confirmation);
}

// ---- the host ---------------------------------------------------------------------

using DLLEdDevFunction = uint32_t(OSTREVANE_CALL*)(uintptr_t, void*);
using FullPDBFunction = void(OSTREVANE_CALL*)(void*);

HWND createHostWindow()
{
    WNDCLASSW host{};
    host.lpfnWndProc = DefWindowProcW;
    host.hInstance = GetModuleHandleW(nullptr);
    host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    host.lpszClassName = L"OstrevaneDriveHost";
    RegisterClassW(&host);
    HWND window = CreateWindowExW(0, host.lpszClassName, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 120, nullptr,
                                  nullptr, host.hInstance, nullptr);
    if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// One wizard run: the engineer's script on its own thread while this thread is in
// DLLEdDev. A script that gets stuck closes whatever is left so the run can end.
uint32_t runWizard(DLLEdDevFunction edit, OstrevanePDB& pdb, const char* name, void (*script)())
{
    say("run: %s", name);
    std::atomic<bool> returned{false};
    const size_t failuresBefore = failures.size();
    std::thread engineer([&] {
        script();
        bool failed;
        {
            std::lock_guard<std::mutex> lock(outputLock);
            failed = failures.size() != failuresBefore;
        }
        const DWORD start = GetTickCount();
        while (!returned) {
            if (GetTickCount() - start >= kWaitMs) {
                if (!failed) fail(std::string(name) + ": the wizard did not end after the last step");
                say("FAIL (%s: the wizard hangs)", name);
                ExitProcess(1);
            }
            if (failed) {
                for (HWND window : visibleTopWindows()) closeBox(window);
            }
            Sleep(kPollMs);
        }
    });
    const uint32_t result = edit(reinterpret_cast<uintptr_t>(hostWindow), &pdb);
    returned = true;
    engineer.join();
    if (!IsWindowEnabled(hostWindow)) fail(std::string(name) + ": the host's window stays disabled");
    return result;
}

int usedDevices(const OstrevanePDB& pdb)
{
    int used = 0;
    for (const DeviceEntry& entry : pdb.Devices) used += entry.DeviceType != OSTREVANE_NO_DEVICE ? 1 : 0;
    return used;
}

void expect(bool condition, const std::string& what)
{
    if (!condition) fail(what);
}

}  // namespace

int main()
{
    HMODULE library = LoadLibraryW(L"Ostrevane800.dll");
    if (!library) {
        say("FAIL (Ostrevane800.dll could not be loaded: error %lu)", GetLastError());
        return 1;
    }
    auto edit = reinterpret_cast<DLLEdDevFunction>(reinterpret_cast<void*>(GetProcAddress(library, "DLLEdDev")));
    auto fill = reinterpret_cast<FullPDBFunction>(reinterpret_cast<void*>(GetProcAddress(library, "FullPDB")));
    if (!edit || !fill) {
        say("FAIL (DLLEdDev or FullPDB is not exported)");
        return 1;
    }
    hostWindow = createHostWindow();
    if (!hostWindow) {
        say("FAIL (no host window)");
        return 1;
    }

    OstrevanePDB pdb{};
    fill(&pdb);
    const uint32_t created = runWizard(edit, pdb, "new configuration, one device", newSingleDevice);
    expect(created == 1, "DLLEdDev gave " + std::to_string(created) + " after Finish, not 1");
    expect(pdb.CreateMode == 0, "CreateMode is " + std::to_string(pdb.CreateMode) + " after a single device");
    expect(usedDevices(pdb) == 1, std::to_string(usedDevices(pdb)) + " devices configured, not 1");
    expect(pdb.DebugSwitch == 1, "the debug switch ticked before Finish did not reach the block");
    expect(pdb.FirstDevice < OSTREVANE_DEVICE_COUNT && pdb.Devices[pdb.FirstDevice].DeviceType != OSTREVANE_NO_DEVICE,
           "the device is not at FirstDevice");

    const OstrevanePDB configured = pdb;
    const uint32_t modified = runWizard(edit, pdb, "modify, closed by the close box", modifyDevices);
    expect(modified == 2, "DLLEdDev gave " + std::to_string(modified) + " after an unchanged modify page, not 2");
    expect(std::memcmp(&pdb, &configured, sizeof pdb) == 0, "closing the modify page changed the block");

    const uint32_t several = runWizard(edit, pdb, "several devices, closed by the close box", newSeveralDevices);
    expect(several == 1, "DLLEdDev gave " + std::to_string(several) + " after choosing a new configuration, not 1");
    expect(std::memcmp(&pdb, &configured, sizeof pdb) == 0, "closing the several-devices page changed the block");

    const uint32_t added =
        runWizard(edit, pdb, "several devices: add device 99, even parity, Finish", addDeviceAndParity);
    expect(added == 1, "DLLEdDev gave " + std::to_string(added) + " after adding a device, not 1");
    expect(usedDevices(pdb) == 2 && pdb.Devices[99].DeviceType != OSTREVANE_NO_DEVICE,
           "device 99 was not added to the block");
    expect(pdb.CreateMode == 1, "CreateMode is " + std::to_string(pdb.CreateMode) + " after several devices");
    expect(pdb.ParityCode == 2, "parity code " + std::to_string(pdb.ParityCode) + " after choosing even parity");

    const OstrevanePDB finished = pdb;
    const uint32_t browsed =
        runWizard(edit, pdb, "browse by double click, closed by the close box", browseByDoubleClick);
    expect(browsed == 2, "DLLEdDev gave " + std::to_string(browsed) + " after browsing, not 2");
    expect(std::memcmp(&pdb, &finished, sizeof pdb) == 0, "browsing changed the block");

    DestroyWindow(hostWindow);
    if (failures.empty()) {
        say("PASS (%d screenshots, 5 wizard runs)", screenshots);
        return 0;
    }
    say("FAIL (%zu problems; first: %s)", failures.size(), failures.front().c_str());
    return 1;
}
