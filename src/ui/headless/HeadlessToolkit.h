// A toolkit without windows. Each form shown modally is handed to the next step of
// a script, which acts as the user would (type, click, select, press keys, fire
// timers); a form the step leaves open is closed as if by its close box. Message
// boxes and dialogs are answered from prepared answers and recorded. With no script
// every form closes at once: the unattended mode of platforms without windows.
#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace ui::headless {

struct Message {
    std::string text;
    std::string caption;
    MessageKind kind;
    std::string shownOver;  // class name of the modal form underneath, empty when none
    bool formVisible;       // whether that form was visible at the time
};

class HeadlessToolkit : public Toolkit {
public:
    using Step = std::function<void(Form&)>;

    // Records what happens (forms, messages, dialogs). The unattended default does not.
    explicit HeadlessToolkit(bool recording = true) : recording_(recording) {}

    void queue(Step step) { script_.push_back(std::move(step)); }
    size_t pendingSteps() const { return script_.size(); }
    // Answers of the save dialog in order; nullopt cancels. None left: cancel.
    void queueSaveAnswer(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
    // Whether the print dialog is confirmed.
    bool confirmPrint = true;
    // Called for every message box (after it is recorded).
    std::function<void(const Message&)> onMessage;

    // What happened.
    std::vector<std::string> shownForms;  // class names, in the order they were shown
    std::vector<Message> messages;
    std::vector<std::vector<std::string>> printed;
    std::vector<std::string> commands;
    std::vector<SaveDialogRequest> saveRequests;
    uintptr_t mainWindow() const { return mainWindow_; }
    // The forms currently shown modally, innermost last.
    const std::vector<Form*>& modalStack() const { return stack_; }

    void showModal(Form& form) override;
    void closeForm(Form&) override {}
    void setFormVisible(Form& form, bool visible) override { form.toolkitShown(visible); }
    void controlChanged(Control&) override {}
    void formChanged(Form&) override {}
    void timerChanged(Timer&) override {}
    void messageBox(const std::string& text, const std::string& caption, MessageKind kind) override;
    bool saveDialog(const SaveDialogRequest& request, std::string& path) override;
    bool printLines(const std::vector<std::string>& lines, const Control& font) override;
    void runCommand(const std::string& commandLine) override;
    uintptr_t setMainWindow(uintptr_t window) override;

private:
    bool recording_;
    std::deque<Step> script_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::vector<Form*> stack_;
    uintptr_t mainWindow_ = 0;
};

// Installs a headless toolkit for the lifetime of the object (tests).
class ScopedToolkit {
public:
    explicit ScopedToolkit(HeadlessToolkit& toolkit) : previous_(setToolkit(&toolkit)) {}
    ~ScopedToolkit() { setToolkit(previous_); }
    ScopedToolkit(const ScopedToolkit&) = delete;
    ScopedToolkit& operator=(const ScopedToolkit&) = delete;

private:
    Toolkit* previous_;
};

// The control of that name; throws std::out_of_range when the form has none.
Control& control(Form& form, const std::string& name);
// User actions by control name.
void click(Form& form, const std::string& name);
void doubleClick(Form& form, const std::string& name);
void type(Form& form, const std::string& name, const std::string& text);
void select(Form& form, const std::string& name, int index);
void selectNode(Form& form, const std::string& name, int index);
void keyUp(Form& form, const std::string& name, int key);
// Fires a timer as if its interval had passed (nothing when it is stopped).
void fireTimer(Form& form, const std::string& name);
// Closes the form by its close box.
void closeBox(Form& form);

}  // namespace ui::headless
