// A toolkit-neutral form model, in the manner of a classic form designer: a form
// holds named controls with properties and events, and a toolkit realises it.
// Pages set properties through the setters (which tell the toolkit, and never fire
// events: changes made by the program are not the user's); toolkits report what
// the user did through the user* operations, which change the property and then
// fire the control's event. All texts are GBK.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ui {

class Form;

enum class ControlKind {
    Panel,  // plain area; the white title band is a panel with a colour
    Label,
    Button,
    Edit,        // one-line edit
    Memo,        // multi-line text
    ComboBox,    // drop-down list, or editable when `editable`
    Option,      // one option (radio) button; consecutive options form one group
    RadioGroup,  // a captioned group of option buttons made from `items`
    CheckBox,
    TreeView,  // flat list of nodes, all expanded
    GroupBox,
    ProgressBar,
};

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TreeNode {
    std::string text;
    int data = -1;  // what the node refers to (a device number)
};

constexpr uint32_t kDefaultColour = 0xFFFFFFFFu;
constexpr int kKeyDelete = 46;

class Control {
public:
    Control(Form& owner, ControlKind kind, std::string name, Control* parent);

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    Control* parent() const { return parent_; }
    Form& form() const { return form_; }

    // Position relative to the parent (or to the form's client area).
    Bounds bounds;
    // Appearance, fixed when the form is built.
    uint32_t colour = kDefaultColour;  // background 0xRRGGBB
    int fontSize = 9;                  // points
    bool bold = false;
    bool readOnly = false;
    bool editable = false;    // combo box: the user may type a text of his own
    bool scrollBars = false;  // memo: vertical scroll bar
    int columns = 1;          // radio group: items per row

    // Properties the pages change while the form is shown.
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& text);
    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    const std::vector<std::string>& lines() const { return lines_; }
    void setLines(std::vector<std::string> lines);
    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items);
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index);  // -1: no selection
    bool checked() const { return checked_; }
    void setChecked(bool checked);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    const std::vector<TreeNode>& nodes() const { return nodes_; }
    void setNodes(std::vector<TreeNode> nodes);
    int selectedNode() const { return selectedNode_; }  // -1: none
    void setSelectedNode(int index);
    void setNodeText(int index, const std::string& text);
    void setNodeData(int index, int data);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }
    void setRange(int minimum, int maximum);
    void setPosition(int position);

    // Events, as the form designer names them.
    std::function<void()> OnClick;
    std::function<void()> OnChange;
    std::function<void()> OnDblClick;
    std::function<void(int key)> OnKeyUp;

    // What the user did; each changes the control, then fires its event.
    void userType(const std::string& text);             // Edit, ComboBox (typed), Memo (whole text)
    void userSetLines(std::vector<std::string> lines);  // Memo edited
    void userSelect(int index);                         // ComboBox, RadioGroup
    void userClick();                                   // Button, Option, CheckBox (toggles), TreeView
    void userSelectNode(int index);                     // TreeView: select, then click
    void userDoubleClick();
    void userKeyUp(int key);

private:
    void changed();

    Form& form_;
    ControlKind kind_;
    std::string name_;
    Control* parent_;
    std::string caption_;
    std::string text_;
    std::vector<std::string> lines_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    std::vector<TreeNode> nodes_;
    int selectedNode_ = -1;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

class Timer {
public:
    Timer(Form& owner, std::string name, uint32_t intervalMs);
    const std::string& name() const { return name_; }
    uint32_t interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // A toolkit calls this when the interval has passed; nothing when disabled.
    void fire();

    std::function<void()> OnTimer;

private:
    Form& form_;
    std::string name_;
    uint32_t interval_;
    bool enabled_ = false;
};

// A form: a window with a client area, its controls and timers. Pages derive from it
// and hold only their logic.
class Form {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    std::string className;  // e.g. "TStartFrm", for toolkits and logs
    int clientWidth = 475;
    int clientHeight = 333;
    bool stayOnTop = true;
    bool centred = true;  // centred on the screen when created

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& text);

    Control& add(ControlKind kind, const std::string& name, Bounds bounds, Control* parent = nullptr);
    Timer& addTimer(const std::string& name, uint32_t intervalMs);
    // The control or timer of that name; nullptr when there is none.
    Control* find(const std::string& name) const;
    Timer* findTimer(const std::string& name) const;
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
    const std::vector<std::unique_ptr<Timer>>& timers() const { return timers_; }

    // Shows the form modally on the active toolkit; returns when it has closed.
    void ShowModal();
    // Ends the modal loop (the form's own close, e.g. after Next).
    void Close();
    // Hides the form while it stays modal (a message box over a hidden page), and back.
    void Hide();
    void Show();
    bool visible() const { return visible_; }
    bool closed() const { return closed_; }

    // For toolkits: the window became visible or was closed by its close box.
    void toolkitShown(bool visible) { visible_ = visible; }
    void toolkitClosed()
    {
        closed_ = true;
        visible_ = false;
    }
    // For toolkits: their per-form data (window handles), released with the form.
    std::shared_ptr<void> toolkitData;

private:
    std::string caption_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Timer>> timers_;
    bool visible_ = false;
    bool closed_ = false;
};

enum class MessageKind { Information, Confirmation };

struct SaveDialogRequest {
    std::string defaultExtension;  // "Log"
    std::string filter;            // "description|pattern"
};

// What realises forms: real windows, or the headless backend of the tests.
class Toolkit {
public:
    virtual ~Toolkit() = default;
    // Shows the form and runs its modal loop until it closes.
    virtual void showModal(Form& form) = 0;
    // The form asked to close, to hide or to show itself.
    virtual void closeForm(Form& form) = 0;
    virtual void setFormVisible(Form& form, bool visible) = 0;
    // A property of a control or the caption of the form changed.
    virtual void controlChanged(Control& control) = 0;
    virtual void formChanged(Form& form) = 0;
    virtual void timerChanged(Timer& timer) = 0;
    // A message box with one OK button.
    virtual void messageBox(const std::string& text, const std::string& caption, MessageKind kind) = 0;
    // The save dialog; true and the chosen path when confirmed.
    virtual bool saveDialog(const SaveDialogRequest& request, std::string& path) = 0;
    // The print dialog, then the lines as plain text in the font of `font`; false
    // when the dialog was cancelled (nothing printed).
    virtual bool printLines(const std::vector<std::string>& lines, const Control& font) = 0;
    // Starts a program without waiting for it, its window maximised.
    virtual void runCommand(const std::string& commandLine) = 0;
    // The window that owns the modal pages (the host's main window); returns the old one.
    virtual uintptr_t setMainWindow(uintptr_t window) = 0;
};

// The toolkit pages are shown on. By default the platform's own: real windows on
// Windows, the unattended headless backend elsewhere. Tests install their own.
Toolkit& toolkit();
// Installs a toolkit (nullptr: back to the default); returns the previous one.
Toolkit* setToolkit(Toolkit* replacement);
// The platform's default toolkit (defined once per platform).
Toolkit& platformToolkit();

// The toolkit keeps one stack of modal forms and one main window for the whole
// process, and the wizard one working copy: pages are shown for one caller at a time.
// Whoever shows pages or message boxes holds a session for as long as they are up;
// a caller on another thread waits until it ends. The same thread may open a session
// inside its own (a page that starts the device test), so it never waits for itself.
class ModalSession {
public:
    ModalSession();
    ~ModalSession();
    ModalSession(const ModalSession&) = delete;
    ModalSession& operator=(const ModalSession&) = delete;

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

}  // namespace ui
