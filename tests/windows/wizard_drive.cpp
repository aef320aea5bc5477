// Drives the configuration wizard of Ostrevane800.dll through its real windows: the
// main thread is the host in DLLEdDev, a second thread the engineer following one
// table of steps per run. Pages are saved as PNG files here; the last line says PASS or FAIL.
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>  // GDI+ needs its property types first

#include <gdiplus.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"

namespace {

HWND hostWindow = nullptr;
std::mutex outputLock;
std::vector<std::string> failures;
int screenshots = 0;

bool fail(const std::string& what)
{
    std::lock_guard<std::mutex> lock(outputLock);
    std::printf("wizard-drive: failed: %s\n", what.c_str());
    failures.push_back(what);
    return false;
}

std::string quoted(const std::wstring& text)
{
    std::string result(text.size() * 3 + 1, '\0');
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), static_cast<int>(result.size()),
                                         nullptr, nullptr);
    result.resize(size > 0 ? size - 1 : 0);
    return '"' + result + '"';
}

// Polls until `done` holds; false when it still does not after the wait.
bool waitFor(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= 10000) return false;
        Sleep(50);
    }
    return true;
}

// Sent with a bound: a page thread that hangs must not hang the engineer.
DWORD_PTR sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 1000, &result);
    return result;
}

// The caption, read without a message, so a busy page thread cannot block the engineer.
std::wstring textOf(HWND window, int(WINAPI* get)(HWND, LPWSTR, int) = InternalGetWindowText)
{
    wchar_t buffer[512] = {};
    const int length = get(window, buffer, 512);
    return std::wstring(buffer, length > 0 ? length : 0);
}

bool isClass(HWND window, const wchar_t* name) { return _wcsicmp(textOf(window, GetClassNameW).c_str(), name) == 0; }

// The text of a control, kept on the page's thread.
std::wstring controlText(HWND control)
{
    wchar_t buffer[1024] = {};
    const DWORD_PTR copied = control ? sendTo(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer)) : 0;
    return std::wstring(buffer, copied < 1024 ? copied : 1023);
}

// The first child of `page`, at any depth, that `wanted` accepts.
HWND findChild(HWND page, const std::function<bool(HWND)>& wanted)
{
    for (HWND child = page ? GetWindow(page, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT))
        if (HWND found = wanted(child) ? child : findChild(child, wanted)) return found;
    return nullptr;
}

HWND childOfClass(HWND page, const wchar_t* name)
{
    return findChild(page, [&](HWND child) { return isClass(child, name); });
}

HWND childStartingWith(HWND page, const std::wstring& text)
{
    return findChild(page, [&](HWND child) { return isClass(child, L"Button") && textOf(child).rfind(text, 0) == 0; });
}

// The visible windows of this process besides the host's.
std::vector<HWND> pageWindows()
{
    std::vector<HWND> found;
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(nullptr, w, nullptr, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId() && w != hostWindow && IsWindowVisible(w)) found.push_back(w);
    }
    return found;
}

HWND waitForWindow(const std::function<bool(HWND)>& wanted, const std::string& what)
{
    HWND found = nullptr;
    waitFor([&] {
        for (HWND window : pageWindows())
            if (!found && wanted(window)) found = window;
        return found != nullptr;
    });
    if (!found) fail("no " + what + " within 10 s");
    return found;
}

bool isDialog(HWND window) { return isClass(window, L"#32770"); }

bool gone(HWND window, const std::string& what)
{
    return waitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }) ||
           fail(what + " did not close within 10 s");
}

// Until the page's thread has gone through its loop with nothing left to paint.
void waitPainted(HWND window)
{
    waitFor([&] {
        sendTo(window, WM_NULL);
        return !GetUpdateRect(window, nullptr, FALSE) && !findChild(window, [](HWND child) {
            return IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE);
        });
    });
}

// The window as it is on the screen, title bar included, saved by the PNG encoder of GDI+.
bool screenshot(HWND window, const std::string& file)
{
    waitPainted(window);
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {static_cast<DWORD>(sizeof info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(memory, picture);
    const bool copied = width > 0 && height > 0 && bits &&
                        BitBlt(memory, 0, 0, width, height, screen, outer.left, outer.top, SRCCOPY | CAPTUREBLT);
    DeleteDC(memory);  // the picture leaves the device context before GDI+ reads it
    ReleaseDC(nullptr, screen);
    // A page drawn at all shows text, frames and a title bar: more than one colour.
    const auto* pixels = static_cast<const uint32_t*>(bits);
    const bool drawn = copied && std::any_of(pixels, pixels + width * height, [&](uint32_t p) { return p != *pixels; });
    static const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    Gdiplus::Bitmap image(picture, nullptr);
    const std::wstring path(file.begin(), file.end());
    const bool saved = drawn && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    DeleteObject(picture);
    if (!saved) return fail(file + (drawn ? ": could not be saved" : ": the picture is blank"));
    std::lock_guard<std::mutex> lock(outputLock);
    ++screenshots;
    return true;
}

// The engineer's steps, each on the page in hand (a Page step sets it).
using Step = std::function<bool(HWND& page)>;

// The button whose caption starts with `text`, clicked, or double clicked with the mouse.
Step click(const wchar_t* text, bool twice = false)
{
    return [=](HWND& page) {
        HWND button = childStartingWith(page, text);
        if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button))
            return fail("no button " + quoted(text) + " to click on " + quoted(textOf(page)));
        if (!twice) return PostMessageW(button, BM_CLICK, 0, 0) != 0;
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            PostMessageW(button, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(4, 4));
        return true;
    };
}

// Waits for the page whose caption holds `caption`, photographs it, clicks `button`.
Step page(const wchar_t* caption, const std::string& picture = "", const wchar_t* button = nullptr)
{
    return [=](HWND& page) {
        page = waitForWindow(
            [&](HWND w) { return IsWindowEnabled(w) && !isDialog(w) && textOf(w).find(caption) != std::wstring::npos; },
            "page " + quoted(caption));
        return page && (picture.empty() || screenshot(page, picture)) && (!button || click(button)(page));
    };
}

bool closeBox(HWND& page) { return PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0) && gone(page, quoted(textOf(page))); }

// A message box, photographed into `picture`, answered with OK.
Step message(const std::string& picture = "")
{
    return [=](HWND&) {
        HWND box = waitForWindow(isDialog, "message box");
        if (!box || (!picture.empty() && !screenshot(box, picture))) return false;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return gone(box, "the message box");
    };
}

// The page's edit box, with `typed` typed in, comes to show `text`, or with `within` to hold it.
Step shows(const std::wstring& text, bool within = false, const wchar_t* typed = nullptr)
{
    return [=](HWND& page) {
        HWND edit = childOfClass(page, L"Edit");
        if (typed && !sendTo(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed)))
            return fail("no edit box to type in");
        return waitFor([&] {
                   const std::wstring shown = controlText(edit);
                   return within ? shown.find(text) != std::wstring::npos : shown == text;
               }) ||
               fail("the edit box shows " + quoted(controlText(edit)) + ", not " + quoted(text));
    };
}

// The page's tree comes to hold `count` nodes, or with `selection` to have that node
// selected: 0 the first, 1 another, -1 none.
Step nodes(int count, bool selection = false)
{
    return [=](HWND& page) {
        const auto tree = [&] {
            HWND tree = childOfClass(page, L"SysTreeView32");
            if (!selection) return tree ? static_cast<int>(sendTo(tree, TVM_GETCOUNT)) : -1;
            const DWORD_PTR selected = tree ? sendTo(tree, TVM_GETNEXTITEM, TVGN_CARET) : 0;
            return !selected ? -1 : selected == sendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT) ? 0 : 1;
        };
        return waitFor([&] { return tree() == count; }) ||
               fail("the tree's " + std::string(selection ? "selection" : "node count") + " is " +
                    std::to_string(tree()) + ", not " + std::to_string(count));
    };
}

const wchar_t *const kStart = L"向导：选择执行的操作方式", *const kMode = L"向导：选择创建设备的方式",
                     *const kSerial = L"串行口通讯参数", *const kConfirm = L"向导退出前的确认",
                     *const kNext = L"下一步";

auto usedDevices(const OstrevanePDB& pdb)
{
    return std::count_if(std::begin(pdb.Devices), std::end(pdb.Devices),
                         [](const DeviceEntry& entry) { return entry.DeviceType != OSTREVANE_NO_DEVICE; });
}

struct Run {
    const char* name;
    std::vector<Step> steps;
    uint32_t result;                               // what DLLEdDev gives
    bool (*wrote)(const OstrevanePDB&) = nullptr;  // the block afterwards; none: unchanged
};

const Run kRuns[] = {
    {"new configuration, one device, with the debug page and the version message",
     {page(kStart, "start.png", L"调试设置"), page(L"向导：设置调试选项", "debug.png", L"调试开关"),
      [](HWND&) { return !IsWindowEnabled(hostWindow) || fail("the host takes input under a page"); }, message(),
      closeBox, page(kStart, "", L"帮助信息"), message("version.png"), page(kStart, "", kNext),
      page(kMode, "creation-mode.png", kNext), page(L"向导：创建单个", "single-device.png", kNext),
      page(kSerial, "serial.png", kNext), page(kConfirm, "confirmation.png", L"完成")},
     1,
     [](const OstrevanePDB& pdb) {
         return pdb.CreateMode == 0 && usedDevices(pdb) == 1 && pdb.DebugSwitch == 1 &&
                pdb.FirstDevice < OSTREVANE_DEVICE_COUNT &&
                pdb.Devices[pdb.FirstDevice].DeviceType != OSTREVANE_NO_DEVICE;
     }},
    {"modify, closed by the close box",
     {page(kStart, "", L"修改设备"), click(kNext), page(L"参数或删除", "modify.png"), nodes(0, true), closeBox},
     2},
    // Nothing selected at first; a number beyond the range shows the highest; Add puts
    // that device in the tree; even parity on the serial page reaches the summary.
    {"several devices: add device 99, even parity, Finish",
     {page(kStart, "", kNext), page(kMode, "", L"多个"), click(kNext), page(L"向导：创建多个", "several-devices.png"),
      nodes(-1, true), shows(L"99", false, L"150"), click(L"添加"), nodes(2), shows(L"1"), click(kNext),
      page(kSerial, "", L"偶校验"), click(kNext), page(kConfirm), nodes(2), shows(L"偶校验", true), click(L"完成")},
     1,
     [](const OstrevanePDB& pdb) {
         return usedDevices(pdb) == 2 && pdb.Devices[99].DeviceType != OSTREVANE_NO_DEVICE && pdb.CreateMode == 1 &&
                pdb.ParityCode == 2;
     }},
    // A double click on an option of the start page does what Next does.
    {"browse by double click, closed by the close box",
     {page(kStart), click(L"察看设备", true), page(kConfirm), nodes(2), closeBox},
     2},
};

// One wizard run: the engineer's steps on their own thread while this thread is in
// DLLEdDev. Steps that fail close whatever is left so the run can end.
void runWizard(OstrevanePDB& pdb, const Run& run)
{
    const OstrevanePDB before = pdb;
    std::atomic<bool> returned{false};
    std::thread engineer([&] {
        HWND page = nullptr;
        const bool failed =
            !std::all_of(run.steps.begin(), run.steps.end(), [&](const Step& step) { return step(page); });
        if (!waitFor([&] {
                if (failed)
                    for (HWND window : pageWindows()) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                return returned.load();
            })) {
            fail(std::string(run.name) + ": the wizard hangs");
            ExitProcess(1);
        }
    });
    const uint32_t result = DLLEdDev(reinterpret_cast<uintptr_t>(hostWindow), &pdb);
    returned = true;
    engineer.join();
    if (result != run.result) fail(std::string(run.name) + ": DLLEdDev gave " + std::to_string(result));
    if (run.wrote ? !run.wrote(pdb) : std::memcmp(&pdb, &before, sizeof pdb) != 0)
        fail(std::string(run.name) + ": not the block expected afterwards");
    if (!IsWindowEnabled(hostWindow)) fail(std::string(run.name) + ": the host's window stays disabled");
}

}  // namespace

int main()
{
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput startup;
    if (Gdiplus::GdiplusStartup(&gdiplus, &startup, nullptr) != Gdiplus::Ok) fail("GDI+ could not be started");
    hostWindow =
        CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 120, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hostWindow, SW_SHOWNOACTIVATE);
    OstrevanePDB pdb{};
    FullPDB(&pdb);
    for (const Run& run : kRuns) runWizard(pdb, run);
    DestroyWindow(hostWindow);
    Gdiplus::GdiplusShutdown(gdiplus);
    std::printf("wizard-drive: %s (%zu problems, %d screenshots)\n", failures.empty() ? "PASS" : "FAIL",
                failures.size(), screenshots);
    return failures.empty() ? 0 : 1;
}
