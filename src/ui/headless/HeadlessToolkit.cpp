#include "ui/headless/HeadlessToolkit.h"

#include <stdexcept>

namespace ui::headless {

void HeadlessToolkit::showModal(Form& form)
{
    if (recording_) shownForms.push_back(form.className);
    stack_.push_back(&form);
    form.toolkitShown(true);
    if (!script_.empty()) {
        Step step = std::move(script_.front());
        script_.pop_front();
        step(form);
    }
    // Whatever the step left open is closed as if by the close box.
    if (!form.closed()) form.toolkitClosed();
    stack_.pop_back();
}

void HeadlessToolkit::messageBox(const std::string& text, const std::string& caption, MessageKind kind)
{
    Message message{text, caption, kind, {}, false};
    if (!stack_.empty()) {
        message.shownOver = stack_.back()->className;
        message.formVisible = stack_.back()->visible();
    }
    if (recording_) messages.push_back(message);
    if (onMessage) onMessage(message);
}

bool HeadlessToolkit::saveDialog(const SaveDialogRequest& request, std::string& path)
{
    if (recording_) saveRequests.push_back(request);
    if (saveAnswers_.empty()) return false;
    std::optional<std::string> answer = std::move(saveAnswers_.front());
    saveAnswers_.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
}

bool HeadlessToolkit::printLines(const std::vector<std::string>& lines, const Control&)
{
    if (!confirmPrint) return false;
    if (recording_) printed.push_back(lines);
    return true;
}

void HeadlessToolkit::runCommand(const std::string& commandLine)
{
    if (recording_) commands.push_back(commandLine);
}

uintptr_t HeadlessToolkit::setMainWindow(uintptr_t window)
{
    uintptr_t previous = mainWindow_;
    mainWindow_ = window;
    return previous;
}

Control& control(Form& form, const std::string& name)
{
    Control* found = form.find(name);
    if (!found) throw std::out_of_range(form.className + " has no control " + name);
    return *found;
}

void click(Form& form, const std::string& name) { control(form, name).userClick(); }
void doubleClick(Form& form, const std::string& name) { control(form, name).userDoubleClick(); }
void type(Form& form, const std::string& name, const std::string& text) { control(form, name).userType(text); }
void select(Form& form, const std::string& name, int index) { control(form, name).userSelect(index); }
void selectNode(Form& form, const std::string& name, int index) { control(form, name).userSelectNode(index); }
void keyUp(Form& form, const std::string& name, int key) { control(form, name).userKeyUp(key); }

void fireTimer(Form& form, const std::string& name)
{
    Timer* timer = form.findTimer(name);
    if (!timer) throw std::out_of_range(form.className + " has no timer " + name);
    timer->fire();
}

void closeBox(Form& form) { form.toolkitClosed(); }

}  // namespace ui::headless
