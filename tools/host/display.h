// What the host shows: a table that a terminal redraws in place, or one plain line per
// event for pipes and tests. All texts here are UTF-8.
#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct TagRow {
    uint32_t id = 0;
    std::string name;
    std::string address;
    std::string value;                 // empty until the first report
    std::string quality;               // "good", "bad", ...
    std::optional<double> reportedAt;  // seconds since the start
    std::string link;                  // the link state of the tag's device
};

struct ScreenModel {
    std::string title;
    std::string status;
    std::vector<TagRow> rows;
    double now = 0;  // seconds since the start
    std::deque<std::string> messages;
    std::deque<std::string> traffic;
    bool showTraffic = false;
    std::string prompt;
};

// The whole screen: cursor home, each line erased to its end, the rest cleared; the
// cursor ends behind the prompt. `rows`/`columns` 0 mean unknown.
std::string renderScreen(const ScreenModel& model, int rows, int columns);

// Columns a text takes on a terminal: wide (East Asian) characters take two.
size_t displayWidth(const std::string& utf8);
// The text cut or padded with blanks to exactly `width` columns.
std::string fitWidth(const std::string& utf8, size_t width);

// The link state a DEVICELINK or COMMLINK tag reports as a number.
std::string linkStateWord(int code);

// One plain line: "<seconds> <kind> key=value ... ", ended by a newline. The last
// field may hold blanks (a text value, a message), so it always comes last.
std::string plainLine(double seconds, const std::string& kind, const std::vector<std::string>& fields);

// Keys typed at the prompt, gathered into lines.
class LineEditor {
public:
    // Takes typed bytes; returns the lines they completed.
    std::vector<std::string> feed(const std::string& bytes);
    const std::string& pending() const { return pending_; }

private:
    std::string pending_;
    enum class Escape { None, Started, Sequence } escape_ = Escape::None;
    bool lastWasReturn_ = false;
};

}  // namespace host
