// The pages as real windows: each form shown modally is a top-level window with a
// message loop of its own, over the host's main window, which is disabled meanwhile.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "ui/Form.h"

namespace ui::win32 {

class FormWindow;

class Win32Toolkit : public Toolkit {
public:
    Win32Toolkit();
    ~Win32Toolkit() override;

    void showModal(Form& form) override;
    void closeForm(Form& form) override;
    void setFormVisible(Form& form, bool visible) override;
    void controlChanged(Control& control) override;
    void formChanged(Form& form) override;
    void timerChanged(Timer& timer) override;
    void messageBox(const std::string& text, const std::string& caption, MessageKind kind) override;
    bool saveDialog(const SaveDialogRequest& request, std::string& path) override;
    bool printLines(const std::vector<std::string>& lines, const Control& font) override;
    void runCommand(const std::string& commandLine) override;
    uintptr_t setMainWindow(uintptr_t window) override;

private:
    void runModal(Form& form);
    FormWindow* find(const Form& form) const;
    // The window dialogs belong to: the innermost page, else the host's window.
    HWND dialogOwner() const;
    bool registerClasses();
    void unregisterClasses();

    std::vector<std::unique_ptr<FormWindow>> stack_;  // pages shown modally, innermost last
    HWND mainWindow_ = nullptr;
    HINSTANCE instance_ = nullptr;
};

}  // namespace ui::win32
