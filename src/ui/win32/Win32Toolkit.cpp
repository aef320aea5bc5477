#include "ui/win32/Win32Toolkit.h"

#include <commctrl.h>

#include "framework/Guard.h"
#include "ui/win32/FormWindow.h"
#include "ui/win32/Win32Dialogs.h"

namespace ui::win32 {

namespace {

constexpr std::string_view kClass = "TWin32Toolkit";

HINSTANCE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module ? module : GetModuleHandleW(nullptr);
}

}  // namespace

Win32Toolkit::Win32Toolkit() = default;

// Windows and classes are gone by the time the library is unloaded; nothing to do.
Win32Toolkit::~Win32Toolkit() = default;

bool Win32Toolkit::registerClasses()
{
    instance_ = thisModule();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW page{};
    page.cbSize = sizeof page;
    page.style = CS_DBLCLKS;
    page.lpfnWndProc = &FormWindow::pageProc;
    page.hInstance = instance_;
    page.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    page.lpszClassName = kPageClass;
    WNDCLASSEXW container = page;
    container.lpfnWndProc = &FormWindow::containerProc;
    container.hbrBackground = nullptr;
    container.lpszClassName = kContainerClass;
    const bool pageOk = RegisterClassExW(&page) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    const bool containerOk = RegisterClassExW(&container) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return pageOk && containerOk;
}

void Win32Toolkit::unregisterClasses()
{
    // A library's classes outlive it unless taken back: a host that unloads and
    // reloads the driver would otherwise meet classes pointing into the old copy.
    UnregisterClassW(kPageClass, instance_);
    UnregisterClassW(kContainerClass, instance_);
}

FormWindow* Win32Toolkit::find(const Form& form) const
{
    for (const auto& window : stack_) {
        if (&window->form() == &form) return window.get();
    }
    return nullptr;
}

HWND Win32Toolkit::dialogOwner() const
{
    if (!stack_.empty() && stack_.back()->handle()) return stack_.back()->handle();
    return mainWindow_ && IsWindow(mainWindow_) ? mainWindow_ : nullptr;
}

void Win32Toolkit::showModal(Form& form)
{
    guard::run(kClass, "ShowModal", [&] { runModal(form); });
    if (!form.closed()) form.toolkitClosed();
}

namespace {

// Windows that take no input while a page is up, enabled again however the page ends
// (before the page goes, so that its owner becomes active again).
class DisabledWindows {
public:
    DisabledWindows() = default;
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;
    ~DisabledWindows() { enable(); }
    void disable(HWND window)
    {
        if (window && IsWindow(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            windows_.push_back(window);
        }
    }
    void enable()
    {
        for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) EnableWindow(*it, TRUE);
        windows_.clear();
    }

private:
    std::vector<HWND> windows_;
};

void runMessageLoop(FormWindow& window)
{
    MSG message;
    while (!window.closing()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The host is quitting: end the page and pass the request on.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(window.handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

void Win32Toolkit::runModal(Form& form)
{
    if (stack_.empty() && !registerClasses()) return;
    HWND owner = dialogOwner();
    stack_.push_back(std::make_unique<FormWindow>(form, owner, instance_));
    // However the page ends, it leaves the stack, and the last one takes the classes.
    struct Pop {
        Win32Toolkit& toolkit;
        ~Pop()
        {
            toolkit.stack_.pop_back();
            if (toolkit.stack_.empty()) toolkit.unregisterClasses();
        }
    } pop{*this};
    FormWindow& window = *stack_.back();
    if (window.create()) {
        DisabledWindows disabled;
        disabled.disable(mainWindow_);
        disabled.disable(owner);
        window.setVisible(true);
        form.toolkitShown(true);
        runMessageLoop(window);
        disabled.enable();
        ShowWindow(window.handle(), SW_HIDE);
    }
    window.destroy();
    form.toolkitShown(false);
}

void Win32Toolkit::closeForm(Form& form)
{
    if (FormWindow* window = find(form)) window->requestClose();
}

void Win32Toolkit::setFormVisible(Form& form, bool visible)
{
    guard::run(kClass, "SetVisible", [&] {
        if (FormWindow* window = find(form)) window->setVisible(visible);
    });
    form.toolkitShown(visible);
}

void Win32Toolkit::controlChanged(Control& control)
{
    // Forms not shown yet take their properties when they are realised.
    guard::run(kClass, "ControlChanged", [&] {
        if (FormWindow* window = find(control.form())) window->controlChanged(control);
    });
}

void Win32Toolkit::formChanged(Form& form)
{
    guard::run(kClass, "FormChanged", [&] {
        if (FormWindow* window = find(form)) window->captionChanged();
    });
}

void Win32Toolkit::timerChanged(Timer& timer)
{
    guard::run(kClass, "TimerChanged", [&] {
        for (const auto& window : stack_) {
            if (window->ownsTimer(timer)) window->timerChanged(timer);
        }
    });
}

void Win32Toolkit::messageBox(const std::string& text, const std::string& caption, MessageKind kind)
{
    guard::run(kClass, "MessageBox", [&] { showMessage(dialogOwner(), text, caption, kind); });
}

bool Win32Toolkit::saveDialog(const SaveDialogRequest& request, std::string& path)
{
    return guard::run(kClass, "SaveDialog", false, [&] { return askSavePath(dialogOwner(), request, path); });
}

bool Win32Toolkit::printLines(const std::vector<std::string>& lines, const Control& font)
{
    return guard::run(kClass, "PrintLines", false,
                      [&] { return printText(dialogOwner(), lines, font.fontSize, font.bold); });
}

void Win32Toolkit::runCommand(const std::string& commandLine)
{
    guard::run(kClass, "RunCommand", [&] { startMaximised(commandLine); });
}

uintptr_t Win32Toolkit::setMainWindow(uintptr_t window)
{
    const auto previous = reinterpret_cast<uintptr_t>(mainWindow_);
    mainWindow_ = reinterpret_cast<HWND>(window);
    return previous;
}

}  // namespace ui::win32
