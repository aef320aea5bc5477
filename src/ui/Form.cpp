#include "ui/Form.h"

#include <algorithm>
#include <atomic>

namespace ui {

namespace {
std::atomic<Toolkit*> installed{nullptr};

std::recursive_mutex& sessionLock()
{
    static std::recursive_mutex lock;
    return lock;
}
}  // namespace

Toolkit& toolkit()
{
    Toolkit* current = installed.load(std::memory_order_acquire);
    return current ? *current : platformToolkit();
}

Toolkit* setToolkit(Toolkit* replacement) { return installed.exchange(replacement, std::memory_order_acq_rel); }

ModalSession::ModalSession() : lock_(sessionLock()) {}

ModalSession::~ModalSession() = default;

// ---- Control -------------------------------------------------------------------

Control::Control(Form& owner, ControlKind kind, std::string name, Control* parent)
    : form_(owner), kind_(kind), name_(std::move(name)), parent_(parent)
{}

void Control::changed()
{
    if (!form_.closed()) toolkit().controlChanged(*this);
}

void Control::setCaption(const std::string& text)
{
    caption_ = text;
    changed();
}

void Control::setText(const std::string& text)
{
    text_ = text;
    changed();
}

void Control::setLines(std::vector<std::string> lines)
{
    lines_ = std::move(lines);
    changed();
}

void Control::setItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
    changed();
}

void Control::setItemIndex(int index)
{
    // A radio group given a position beyond its items selects its last item; a
    // list has no selection outside its items.
    const int count = static_cast<int>(items_.size());
    if (index < 0) {
        itemIndex_ = -1;
    } else if (index >= count) {
        itemIndex_ = kind_ == ControlKind::RadioGroup && count > 0 ? count - 1 : -1;
    } else {
        itemIndex_ = index;
    }
    if (kind_ == ControlKind::ComboBox) text_ = itemIndex_ >= 0 ? items_[itemIndex_] : std::string();
    changed();
}

void Control::setChecked(bool checked)
{
    checked_ = checked;
    changed();
}

void Control::setEnabled(bool enabled)
{
    enabled_ = enabled;
    changed();
}

void Control::setVisible(bool visible)
{
    visible_ = visible;
    changed();
}

void Control::setNodes(std::vector<TreeNode> nodes)
{
    nodes_ = std::move(nodes);
    selectedNode_ = -1;
    changed();
}

void Control::setSelectedNode(int index)
{
    selectedNode_ = index >= 0 && index < static_cast<int>(nodes_.size()) ? index : -1;
    changed();
}

void Control::setNodeText(int index, const std::string& text)
{
    if (index < 0 || index >= static_cast<int>(nodes_.size())) return;
    nodes_[index].text = text;
    changed();
}

void Control::setNodeData(int index, int data)
{
    if (index < 0 || index >= static_cast<int>(nodes_.size())) return;
    nodes_[index].data = data;
}

void Control::setRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
    changed();
}

void Control::setPosition(int position)
{
    position_ = std::clamp(position, minimum_, maximum_);
    changed();
}

// ---- what the user did -----------------------------------------------------------

namespace {
void fire(const std::function<void()>& event)
{
    if (event) event();
}
}  // namespace

void Control::userType(const std::string& text)
{
    if (!enabled_) return;
    text_ = text;
    if (kind_ == ControlKind::ComboBox) {
        // A typed text selects the item it matches exactly, otherwise none.
        auto found = std::find(items_.begin(), items_.end(), text);
        itemIndex_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
    }
    if (kind_ == ControlKind::Memo) {
        lines_.clear();
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (end < text.size() || !line.empty()) lines_.push_back(line);
            start = end + 1;
        }
    }
    fire(OnChange);
}

void Control::userSetLines(std::vector<std::string> lines)
{
    if (!enabled_) return;
    lines_ = std::move(lines);
    fire(OnChange);
}

void Control::userSelect(int index)
{
    if (!enabled_ || index < 0 || index >= static_cast<int>(items_.size())) return;
    itemIndex_ = index;
    if (kind_ == ControlKind::ComboBox) text_ = items_[index];
    fire(OnChange);
    if (kind_ == ControlKind::RadioGroup) fire(OnClick);
}

void Control::userClick()
{
    if (!enabled_) return;
    if (kind_ == ControlKind::CheckBox) checked_ = !checked_;
    if (kind_ == ControlKind::Option) {
        // Choosing one option clears the others of its group (same parent).
        for (const auto& other : form_.controls()) {
            if (other.get() != this && other->kind_ == ControlKind::Option && other->parent_ == parent_) {
                other->checked_ = false;
            }
        }
        checked_ = true;
    }
    fire(OnClick);
}

void Control::userSelectNode(int index)
{
    if (!enabled_) return;
    selectedNode_ = index >= 0 && index < static_cast<int>(nodes_.size()) ? index : -1;
    fire(OnClick);
}

void Control::userDoubleClick()
{
    if (!enabled_) return;
    fire(OnDblClick);
}

void Control::userKeyUp(int key)
{
    if (!enabled_) return;
    if (OnKeyUp) OnKeyUp(key);
}

// ---- Timer ------------------------------------------------------------------------

Timer::Timer(Form& owner, std::string name, uint32_t intervalMs)
    : form_(owner), name_(std::move(name)), interval_(intervalMs)
{}

void Timer::setEnabled(bool enabled)
{
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (!form_.closed()) toolkit().timerChanged(*this);
}

void Timer::fire()
{
    if (enabled_ && OnTimer) OnTimer();
}

// ---- Form -------------------------------------------------------------------------

Form::Form() = default;

Form::~Form()
{
    // Timers stop with their form.
    for (auto& timer : timers_) timer->OnTimer = nullptr;
}

void Form::setCaption(const std::string& text)
{
    caption_ = text;
    if (!closed_) toolkit().formChanged(*this);
}

Control& Form::add(ControlKind kind, const std::string& name, Bounds bounds, Control* parent)
{
    controls_.push_back(std::make_unique<Control>(*this, kind, name, parent));
    controls_.back()->bounds = bounds;
    return *controls_.back();
}

Timer& Form::addTimer(const std::string& name, uint32_t intervalMs)
{
    timers_.push_back(std::make_unique<Timer>(*this, name, intervalMs));
    return *timers_.back();
}

Control* Form::find(const std::string& name) const
{
    for (const auto& control : controls_) {
        if (control->name() == name) return control.get();
    }
    return nullptr;
}

Timer* Form::findTimer(const std::string& name) const
{
    for (const auto& timer : timers_) {
        if (timer->name() == name) return timer.get();
    }
    return nullptr;
}

void Form::ShowModal()
{
    closed_ = false;
    toolkit().showModal(*this);
    closed_ = true;
    visible_ = false;
}

void Form::Close()
{
    if (closed_) return;
    toolkit().closeForm(*this);
    closed_ = true;
    visible_ = false;
}

void Form::Hide()
{
    visible_ = false;
    if (!closed_) toolkit().setFormVisible(*this, false);
}

void Form::Show()
{
    visible_ = true;
    if (!closed_) toolkit().setFormVisible(*this, true);
}

}  // namespace ui
