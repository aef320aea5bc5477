#include "ui/win32/FormWindow.h"

#include <algorithm>

#include "framework/Guard.h"
#include "ui/win32/Win32Text.h"

namespace ui::win32 {

const wchar_t kPageClass[] = L"OstrevanePage";
const wchar_t kContainerClass[] = L"OstrevaneContainer";

namespace {

// A tree click is handled once the tree has finished its own mouse handling.
constexpr UINT kTreeClicked = WM_APP + 0x31;
constexpr LPARAM kKeepSelection = -2;
// A combo box's window includes its drop-down list.
constexpr int kDropDownHeight = 200;
const wchar_t kTreeProcProperty[] = L"Ostrevane.TreeProc";

bool isContainer(ControlKind kind)
{
    return kind == ControlKind::Panel || kind == ControlKind::GroupBox || kind == ControlKind::RadioGroup;
}

COLORREF fromRgb(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::wstring windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

// True when the text was changed.
bool setWindowTextIfDifferent(HWND window, const std::wstring& text)
{
    if (windowText(window) == text) return false;
    SetWindowTextW(window, text.c_str());
    return true;
}

void setVisibleIfDifferent(HWND window, bool visible)
{
    const bool shown = (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible) ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

void setEnabledIfDifferent(HWND window, bool enabled)
{
    if ((IsWindowEnabled(window) != FALSE) != enabled) EnableWindow(window, enabled ? TRUE : FALSE);
}

void setCheckIfDifferent(HWND button, bool checked)
{
    const bool shown = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (shown != checked) SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int textHeight(HWND window, HFONT font)
{
    HDC dc = GetDC(window);
    if (!dc) return 16;
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return metrics.tmHeight > 0 ? metrics.tmHeight : 16;
}

}  // namespace

FormWindow::FormWindow(Form& form, HWND owner, HINSTANCE instance) : form_(form), owner_(owner), instance_(instance) {}

FormWindow::~FormWindow()
{
    destroy();
    for (auto& entry : brushes_) DeleteObject(entry.second);
}

// ---- creation -----------------------------------------------------------------------

bool FormWindow::create()
{
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT | (form_.stayOnTop ? WS_EX_TOPMOST : 0);
    RECT outer{0, 0, form_.clientWidth, form_.clientHeight};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    int left = CW_USEDEFAULT;
    int top = CW_USEDEFAULT;
    if (form_.centred) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    window_ = CreateWindowExW(exStyle, kPageClass, gbkToWide(form_.caption()).c_str(), style, left, top, width, height,
                              owner_, nullptr, instance_, this);
    if (!window_) return false;

    ++updating_;
    const auto& controls = form_.controls();
    for (size_t i = 0; i < controls.size(); ++i) {
        auto realised = std::make_unique<ControlWindow>();
        realised->control = controls[i].get();
        realised->index = static_cast<int>(i);
        controls_.push_back(std::move(realised));
        createControl(*controls_.back());
    }
    for (auto& control : controls_) {
        if (control->hwnd) sync(*control);
    }
    --updating_;

    const auto& timers = form_.timers();
    for (size_t i = 0; i < timers.size(); ++i) {
        if (timers[i]->enabled()) SetTimer(window_, i + 1, timers[i]->interval(), nullptr);
    }
    return true;
}

void FormWindow::destroy()
{
    if (!window_) return;
    for (size_t i = 0; i < form_.timers().size(); ++i) KillTimer(window_, i + 1);
    HWND window = window_;
    ++updating_;
    DestroyWindow(window);
    --updating_;
    window_ = nullptr;
    targets_.clear();
    controls_.clear();
}

HWND FormWindow::hostOf(const Control& control, int& left, int& top) const
{
    // Controls inside a plain control (not a container) sit in the nearest container.
    left = control.bounds.left;
    top = control.bounds.top;
    for (const Control* parent = control.parent(); parent; parent = parent->parent()) {
        if (isContainer(parent->kind())) {
            for (const auto& realised : controls_) {
                if (realised->control == parent) return realised->hwnd ? realised->hwnd : window_;
            }
            return window_;
        }
        left += parent->bounds.left;
        top += parent->bounds.top;
    }
    return window_;
}

void FormWindow::createControl(ControlWindow& realised)
{
    const Control& control = *realised.control;
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.visible() ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    int height = control.bounds.height;
    switch (control.kind()) {
    case ControlKind::Panel:
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup:
        windowClass = kContainerClass;
        style |= WS_CLIPCHILDREN;
        exStyle = WS_EX_CONTROLPARENT;
        break;
    case ControlKind::Label: style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY; break;
    case ControlKind::Button:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::Edit:
        windowClass = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP | (control.readOnly ? ES_READONLY : 0);
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Memo:
        windowClass = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP | (control.scrollBars ? WS_VSCROLL : 0) |
                 (control.readOnly ? ES_READONLY : 0);
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ComboBox:
        windowClass = WC_COMBOBOXW;
        style |= (control.editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | WS_VSCROLL | WS_TABSTOP;
        height += kDropDownHeight;
        break;
    case ControlKind::Option:
        windowClass = L"BUTTON";
        style |= BS_RADIOBUTTON | BS_NOTIFY | WS_TABSTOP;
        break;
    case ControlKind::CheckBox:
        windowClass = L"BUTTON";
        style |= BS_CHECKBOX | BS_NOTIFY | WS_TABSTOP;
        break;
    case ControlKind::TreeView:
        windowClass = WC_TREEVIEWW;
        style |= TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ProgressBar: windowClass = PROGRESS_CLASSW; break;
    }
    int left = 0;
    int top = 0;
    HWND host = hostOf(control, left, top);
    realised.hwnd = CreateWindowExW(exStyle, windowClass, L"", style, left, top, control.bounds.width, height, host,
                                    nullptr, instance_, this);
    if (!realised.hwnd) return;
    targets_[realised.hwnd] = Target{&realised, -1};
    SendMessageW(realised.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.font(control.fontSize, control.bold)),
                 FALSE);
    if (control.kind() == ControlKind::Edit || control.kind() == ControlKind::Memo) {
        // Logs outgrow the default limit of 32 K characters.
        SendMessageW(realised.hwnd, EM_LIMITTEXT, 0, 0);
    }
    if (control.kind() == ControlKind::TreeView) {
        // Key releases in the tree are reported to the page.
        const LONG_PTR original = GetWindowLongPtrW(realised.hwnd, GWLP_WNDPROC);
        SetPropW(realised.hwnd, kTreeProcProperty, reinterpret_cast<HANDLE>(original));
        SetWindowLongPtrW(realised.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::treeProc));
    }
}

// ---- copying the model to the windows ---------------------------------------------

ControlWindow* FormWindow::find(const Control& control)
{
    for (auto& realised : controls_) {
        if (realised->control == &control) return realised.get();
    }
    return nullptr;
}

void FormWindow::controlChanged(Control& control)
{
    if (!window_) return;
    ControlWindow* realised = find(control);
    if (!realised || !realised->hwnd) return;
    ++updating_;
    sync(*realised);
    --updating_;
}

void FormWindow::captionChanged()
{
    if (!window_) return;
    ++updating_;
    setWindowTextIfDifferent(window_, gbkToWide(form_.caption()));
    --updating_;
}

void FormWindow::sync(ControlWindow& realised)
{
    Control& control = *realised.control;
    HWND window = realised.hwnd;
    setVisibleIfDifferent(window, control.visible());
    setEnabledIfDifferent(window, control.enabled());
    switch (control.kind()) {
    case ControlKind::Panel:
    case ControlKind::GroupBox:
        if (realised.shownCaption != control.caption()) {
            realised.shownCaption = control.caption();
            InvalidateRect(window, nullptr, TRUE);
        }
        break;
    case ControlKind::RadioGroup: syncRadioGroup(realised); break;
    case ControlKind::Label:
    case ControlKind::Button: setWindowTextIfDifferent(window, gbkToWide(control.caption())); break;
    case ControlKind::Option:
    case ControlKind::CheckBox:
        setWindowTextIfDifferent(window, gbkToWide(control.caption()));
        setCheckIfDifferent(window, control.checked());
        break;
    case ControlKind::Edit:
        if (setWindowTextIfDifferent(window, gbkToWide(control.text()))) {
            // The caret goes after the text the program wrote.
            SendMessageW(window, EM_SETSEL, GetWindowTextLengthW(window), GetWindowTextLengthW(window));
        }
        break;
    case ControlKind::Memo: setWindowTextIfDifferent(window, joinLines(control.lines())); break;
    case ControlKind::ComboBox: syncComboBox(realised); break;
    case ControlKind::TreeView: syncTree(realised); break;
    case ControlKind::ProgressBar:
        SendMessageW(window, PBM_SETRANGE32, control.minimum(), control.maximum());
        SendMessageW(window, PBM_SETPOS, control.position(), 0);
        break;
    }
}

void FormWindow::syncComboBox(ControlWindow& combo)
{
    const Control& control = *combo.control;
    HWND window = combo.hwnd;
    if (combo.shownItems != control.items()) {
        SendMessageW(window, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : control.items()) {
            const std::wstring text = gbkToWide(item);
            SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        combo.shownItems = control.items();
    }
    const LRESULT shown = SendMessageW(window, CB_GETCURSEL, 0, 0);
    if (shown != control.itemIndex()) SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(control.itemIndex()), 0);
    // A text of the user's own stays in an editable box without a selection.
    if (control.editable && control.itemIndex() < 0) setWindowTextIfDifferent(window, gbkToWide(control.text()));
}

void FormWindow::layoutRadioGroup(ControlWindow& group)
{
    for (HWND option : group.options) {
        targets_.erase(option);
        DestroyWindow(option);
    }
    group.options.clear();
    const Control& control = *group.control;
    const int count = static_cast<int>(control.items().size());
    if (count == 0) return;
    // The items fill the group column by column below its caption.
    HFONT font = fonts_.font(control.fontSize, control.bold);
    const int lineHeight = textHeight(group.hwnd, font);
    const int columns = std::clamp(control.columns, 1, count);
    const int perColumn = (count + columns - 1) / columns;
    const int columnWidth = (control.bounds.width - 10) / columns;
    const int space = std::max(control.bounds.height - lineHeight - 5, perColumn);
    const int rowHeight = space / perColumn;
    const int topMargin = lineHeight + 1 + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
        const int left = (i / perColumn) * columnWidth + 8;
        const int top = (i % perColumn) * rowHeight + topMargin;
        HWND option = CreateWindowExW(
            0, L"BUTTON", gbkToWide(control.items()[i]).c_str(),
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_RADIOBUTTON | BS_NOTIFY | (i == 0 ? WS_TABSTOP | WS_GROUP : 0),
            left, top, columnWidth - 2, rowHeight, group.hwnd, nullptr, instance_, nullptr);
        if (!option) continue;
        SendMessageW(option, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        targets_[option] = Target{&group, i};
        group.options.push_back(option);
    }
}

void FormWindow::syncRadioGroup(ControlWindow& group)
{
    const Control& control = *group.control;
    if (group.shownCaption != control.caption()) {
        group.shownCaption = control.caption();
        InvalidateRect(group.hwnd, nullptr, TRUE);
    }
    if (group.shownItems != control.items()) {
        layoutRadioGroup(group);
        group.shownItems = control.items();
    }
    for (size_t i = 0; i < group.options.size(); ++i) {
        setCheckIfDifferent(group.options[i], static_cast<int>(i) == control.itemIndex());
        setEnabledIfDifferent(group.options[i], control.enabled());
    }
}

void FormWindow::syncTree(ControlWindow& tree)
{
    const Control& control = *tree.control;
    HWND window = tree.hwnd;
    std::vector<std::string> texts;
    for (const TreeNode& node : control.nodes()) texts.push_back(node.text);
    if (texts.size() != tree.treeItems.size()) {
        SendMessageW(window, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        tree.treeItems.clear();
        for (size_t i = 0; i < texts.size(); ++i) {
            std::wstring text = gbkToWide(texts[i]);
            TVINSERTSTRUCTW insert{};
            insert.hParent = TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM;
            insert.item.pszText = text.data();
            insert.item.lParam = static_cast<LPARAM>(i);
            auto item = reinterpret_cast<HTREEITEM>(
                SendMessageW(window, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
            tree.treeItems.push_back(item);
        }
    } else {
        for (size_t i = 0; i < texts.size(); ++i) {
            if (i < tree.shownNodes.size() && tree.shownNodes[i] == texts[i]) continue;
            std::wstring text = gbkToWide(texts[i]);
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = tree.treeItems[i];
            item.pszText = text.data();
            SendMessageW(window, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    tree.shownNodes = std::move(texts);
    const int selected = control.selectedNode();
    if (treeSelection(tree) != selected) {
        HTREEITEM item =
            selected >= 0 && selected < static_cast<int>(tree.treeItems.size()) ? tree.treeItems[selected] : nullptr;
        SendMessageW(window, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
}

int FormWindow::treeSelection(const ControlWindow& tree) const
{
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return -1;
    auto found = std::find(tree.treeItems.begin(), tree.treeItems.end(), item);
    return found == tree.treeItems.end() ? -1 : static_cast<int>(found - tree.treeItems.begin());
}

void FormWindow::syncChoices()
{
    // The model changes check marks and group selections itself when the user
    // chooses; the windows follow.
    if (!window_) return;
    ++updating_;
    for (auto& realised : controls_) {
        if (!realised->hwnd) continue;
        switch (realised->control->kind()) {
        case ControlKind::Option:
        case ControlKind::CheckBox: setCheckIfDifferent(realised->hwnd, realised->control->checked()); break;
        case ControlKind::RadioGroup: syncRadioGroup(*realised); break;
        default: break;
        }
    }
    --updating_;
}

void FormWindow::setVisible(bool visible)
{
    if (!window_) return;
    if (visible) {
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        if (!GetFocus() || !IsChild(window_, GetFocus())) {
            if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
        }
    } else {
        ShowWindow(window_, SW_HIDE);
    }
}

bool FormWindow::ownsTimer(const Timer& timer) const
{
    for (const auto& own : form_.timers()) {
        if (own.get() == &timer) return true;
    }
    return false;
}

void FormWindow::timerChanged(Timer& timer)
{
    if (!window_) return;
    const auto& timers = form_.timers();
    for (size_t i = 0; i < timers.size(); ++i) {
        if (timers[i].get() != &timer) continue;
        if (timer.enabled()) {
            SetTimer(window_, i + 1, timer.interval(), nullptr);
        } else {
            KillTimer(window_, i + 1);
        }
    }
}

void FormWindow::requestClose()
{
    closing_ = true;
    if (window_) PostMessageW(window_, WM_NULL, 0, 0);
}

// ---- what the user did --------------------------------------------------------------

template <typename Action>
void FormWindow::userAction(Control& control, const char* event, Action&& action)
{
    if (closing_ || updating_ > 0) return;
    const std::string method = control.name() + event;
    guard::run(form_.className, method, [&] { action(); });
    if (!closing_) syncChoices();
}

FormWindow::Target FormWindow::target(HWND window)
{
    auto found = targets_.find(window);
    return found == targets_.end() ? Target{} : found->second;
}

void FormWindow::onCommand(HWND child, UINT code)
{
    Target hit = target(child);
    if (!hit.control) return;
    Control& control = *hit.control->control;
    switch (control.kind()) {
    case ControlKind::RadioGroup:
        if (code == BN_CLICKED) userAction(control, "Click", [&] { control.userSelect(hit.option); });
        if (code == BN_DOUBLECLICKED) userAction(control, "DblClick", [&] { control.userDoubleClick(); });
        break;
    case ControlKind::Button:
    case ControlKind::Option:
    case ControlKind::CheckBox:
        if (code == BN_CLICKED) userAction(control, "Click", [&] { control.userClick(); });
        if (code == BN_DOUBLECLICKED) userAction(control, "DblClick", [&] { control.userDoubleClick(); });
        break;
    case ControlKind::Label:
        if (code == STN_CLICKED) userAction(control, "Click", [&] { control.userClick(); });
        if (code == STN_DBLCLK) userAction(control, "DblClick", [&] { control.userDoubleClick(); });
        break;
    case ControlKind::Edit:
        if (code == EN_CHANGE) {
            userAction(control, "Change", [&] { control.userType(wideToGbk(windowText(child))); });
        }
        break;
    case ControlKind::Memo:
        if (code == EN_CHANGE) {
            userAction(control, "Change", [&] { control.userType(wideToGbk(windowText(child))); });
        }
        break;
    case ControlKind::ComboBox:
        if (code == CBN_SELCHANGE) {
            const auto index = static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0));
            userAction(control, "Change", [&] { control.userSelect(index); });
        }
        if (code == CBN_EDITCHANGE) {
            userAction(control, "Change", [&] { control.userType(wideToGbk(windowText(child))); });
        }
        break;
    default: break;
    }
}

bool FormWindow::onNotify(const NMHDR& header, LRESULT& result)
{
    Target hit = target(header.hwndFrom);
    if (!hit.control || hit.control->control->kind() != ControlKind::TreeView || updating_ > 0) return false;
    ControlWindow& tree = *hit.control;
    switch (header.code) {
    case NM_CLICK: {
        // The tree selects the clicked node only after this notification.
        DWORD position = GetMessagePos();
        TVHITTESTINFO test{};
        test.pt = POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ScreenToClient(tree.hwnd, &test.pt);
        auto item =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree.hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&test)));
        LPARAM node = kKeepSelection;
        if (item && (test.flags & TVHT_ONITEM)) {
            auto found = std::find(tree.treeItems.begin(), tree.treeItems.end(), item);
            if (found != tree.treeItems.end()) node = found - tree.treeItems.begin();
        }
        PostMessageW(window_, kTreeClicked, static_cast<WPARAM>(tree.index), node);
        result = 0;
        return true;
    }
    case TVN_SELCHANGEDW: {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (change.action == TVC_BYKEYBOARD) {
            PostMessageW(window_, kTreeClicked, static_cast<WPARAM>(tree.index), change.itemNew.lParam);
        }
        result = 0;
        return true;
    }
    case NM_DBLCLK: {
        Control& control = *tree.control;
        userAction(control, "DblClick", [&] { control.userDoubleClick(); });
        result = 0;
        return true;
    }
    default: return false;
    }
}

// ---- colours and painting -----------------------------------------------------------

COLORREF FormWindow::background(const Control& control) const
{
    for (const Control* owner = &control; owner; owner = owner->parent()) {
        if (owner->colour != kDefaultColour) return fromRgb(owner->colour);
    }
    return GetSysColor(COLOR_BTNFACE);
}

HBRUSH FormWindow::brush(COLORREF colour)
{
    auto found = brushes_.find(colour);
    if (found != brushes_.end()) return found->second;
    HBRUSH created = CreateSolidBrush(colour);
    brushes_.emplace(colour, created);
    return created;
}

LRESULT FormWindow::onControlColour(UINT message, HDC dc, HWND child)
{
    Target hit = target(child);
    if (!hit.control && GetParent(child)) hit = target(GetParent(child));  // a combo box's own edit
    if (!hit.control) return 0;
    const Control& control = *hit.control->control;
    COLORREF colour;
    const bool editLike = control.kind() == ControlKind::Edit || control.kind() == ControlKind::Memo ||
                          control.kind() == ControlKind::ComboBox || control.kind() == ControlKind::TreeView;
    if (editLike) {
        if (control.colour != kDefaultColour) {
            colour = fromRgb(control.colour);
        } else if (message == WM_CTLCOLORSTATIC && control.enabled()) {
            // A read-only text keeps the window colour of an editable one.
            colour = GetSysColor(COLOR_WINDOW);
        } else {
            return 0;
        }
    } else {
        colour = background(control);
    }
    SetBkColor(dc, colour);
    return reinterpret_cast<LRESULT>(brush(colour));
}

void FormWindow::paintContainer(HWND window, ControlWindow& container)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return;
    const Control& control = *container.control;
    RECT client;
    GetClientRect(window, &client);
    const COLORREF colour = background(control);
    HGDIOBJ previousFont = SelectObject(dc, fonts_.font(control.fontSize, control.bold));
    SetBkColor(dc, colour);
    SetTextColor(dc, GetSysColor(control.enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    const std::wstring caption = gbkToWide(control.caption());
    if (control.kind() == ControlKind::Panel) {
        if (!caption.empty()) {
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    } else {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT frame = client;
        frame.top += metrics.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!caption.empty()) {
            SIZE size{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
            RECT band{6, 0, 10 + size.cx, metrics.tmHeight};
            FillRect(dc, &band, brush(colour));
            SetBkMode(dc, TRANSPARENT);
            TextOutW(dc, 8, 0, caption.c_str(), static_cast<int>(caption.size()));
        }
    }
    SelectObject(dc, previousFont);
    EndPaint(window, &paint);
}

// ---- window procedures ----------------------------------------------------------------

FormWindow* FormWindow::fromWindow(HWND window)
{
    HWND root = GetAncestor(window, GA_ROOT);
    if (!root) return nullptr;
    return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(root, GWLP_USERDATA));
}

bool FormWindow::handleCommon(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam && updating_ == 0) onCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        result = 0;
        return true;
    case WM_NOTIFY: return lParam && onNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        result = onControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return result != 0;
    default: return false;
    }
}

LRESULT CALLBACK FormWindow::pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    try {
        LRESULT result = 0;
        if (self->handleCommon(window, message, wParam, lParam, result)) return result;
        switch (message) {
        case WM_CLOSE:
            // The close box: the form ends as closed by the user.
            if (!self->closing_) {
                self->form_.toolkitClosed();
                self->closing_ = true;
            }
            return 0;
        case WM_TIMER: {
            const auto& timers = self->form_.timers();
            if (wParam >= 1 && wParam <= timers.size() && !self->closing_ && self->updating_ == 0) {
                Timer& timer = *timers[wParam - 1];
                guard::run(self->form_.className, timer.name() + "Timer", [&] { timer.fire(); });
                if (!self->closing_) self->syncChoices();
            }
            return 0;
        }
        case kTreeClicked: {
            const auto& controls = self->controls_;
            if (self->closing_ || wParam >= controls.size()) return 0;
            Control& tree = *controls[wParam]->control;
            const int node = lParam == kKeepSelection ? tree.selectedNode() : static_cast<int>(lParam);
            self->userAction(tree, "Click", [&] { tree.userSelectNode(node); });
            return 0;
        }
        case WM_NCDESTROY: SetWindowLongPtrW(window, GWLP_USERDATA, 0); break;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FormWindow* self = fromWindow(window);
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    try {
        LRESULT result = 0;
        if (self->handleCommon(window, message, wParam, lParam, result)) return result;
        Target hit = self->target(window);
        if (!hit.control) return DefWindowProcW(window, message, wParam, lParam);
        Control& control = *hit.control->control;
        switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, self->brush(self->background(control)));
            return 1;
        }
        case WM_PAINT: self->paintContainer(window, *hit.control); return 0;
        case WM_LBUTTONUP: self->userAction(control, "Click", [&] { control.userClick(); }); return 0;
        case WM_LBUTTONDBLCLK: self->userAction(control, "DblClick", [&] { control.userDoubleClick(); }); return 0;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::treeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kTreeProcProperty));
    if (!original) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, kTreeProcProperty);
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    if (message == WM_KEYUP) {
        try {
            FormWindow* self = fromWindow(window);
            Target hit = self ? self->target(window) : Target{};
            if (hit.control) {
                Control& tree = *hit.control->control;
                const int key = static_cast<int>(wParam);
                self->userAction(tree, "KeyUp", [&] { tree.userKeyUp(key); });
            }
        } catch (...) {
        }
    }
    return result;
}

}  // namespace ui::win32
