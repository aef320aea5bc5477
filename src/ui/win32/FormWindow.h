// One form realised as a top-level window with child controls. Panels, group
// boxes and radio groups become container windows, so every control sits in its
// parent exactly at the bounds the page gave it. What the user does is reported to
// the form model; changes the model makes are copied to the windows, and the
// notifications those copies cause are not taken for the user's.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/Form.h"
#include "ui/win32/Win32Fonts.h"

namespace ui::win32 {

struct ControlWindow {
    Control* control = nullptr;
    int index = 0;              // position among the form's controls
    HWND hwnd = nullptr;        // the control, or its container
    std::vector<HWND> options;  // a radio group's option buttons, by item
    std::vector<std::string> shownItems;
    std::vector<std::string> shownNodes;
    std::vector<HTREEITEM> treeItems;  // a tree's items, by node
    std::string shownCaption;          // what a container paints
};

class FormWindow {
public:
    FormWindow(Form& form, HWND owner, HINSTANCE instance);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Creates the window (hidden) and its controls from the form's properties, and
    // starts the form's enabled timers. False when the window cannot be made.
    bool create();
    void destroy();
    HWND handle() const { return window_; }
    Form& form() const { return form_; }

    void setVisible(bool visible);
    void captionChanged();
    void controlChanged(Control& control);
    bool ownsTimer(const Timer& timer) const;
    void timerChanged(Timer& timer);
    // The form asked to close: the modal loop ends after the current message.
    void requestClose();
    bool closing() const { return closing_; }

    static LRESULT CALLBACK pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK treeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Target {
        ControlWindow* control = nullptr;
        int option = -1;  // the item of a radio group's option button
    };

    static FormWindow* fromWindow(HWND window);
    bool handleCommon(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void onCommand(HWND child, UINT code);
    bool onNotify(const NMHDR& header, LRESULT& result);
    LRESULT onControlColour(UINT message, HDC dc, HWND child);
    void paintContainer(HWND window, ControlWindow& container);

    void createControl(ControlWindow& control);
    HWND hostOf(const Control& control, int& left, int& top) const;
    void sync(ControlWindow& control);
    void syncRadioGroup(ControlWindow& group);
    void layoutRadioGroup(ControlWindow& group);
    void syncTree(ControlWindow& tree);
    void syncComboBox(ControlWindow& combo);
    void syncChoices();
    ControlWindow* find(const Control& control);
    Target target(HWND window);
    int treeSelection(const ControlWindow& tree) const;

    template <typename Action>
    void userAction(Control& control, const char* event, Action&& action);

    COLORREF background(const Control& control) const;
    HBRUSH brush(COLORREF colour);

    Form& form_;
    HWND owner_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::vector<std::unique_ptr<ControlWindow>> controls_;
    std::map<HWND, Target> targets_;
    std::map<COLORREF, HBRUSH> brushes_;
    FontCache fonts_;
    int updating_ = 0;  // > 0 while the program copies model changes to the windows
    bool closing_ = false;
};

extern const wchar_t kPageClass[];
extern const wchar_t kContainerClass[];

}  // namespace ui::win32
