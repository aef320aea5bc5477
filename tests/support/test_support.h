// Shared helpers of the unit and end-to-end tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "platform/clock.h"

namespace testing_support {

// A clock the test sets and moves; installed for the lifetime of the object.
class FakeClock final : public platform::Clock {
public:
    FakeClock();
    ~FakeClock();
    uint32_t tickCount() const override { return tick; }
    platform::LocalDateTime localNow() const override { return now; }
    void advance(uint32_t milliseconds) { tick += milliseconds; }

    uint32_t tick = 1000;
    platform::LocalDateTime now{2026, 12, 6, 10, 30, 15, 0};
};

// A fresh folder below the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points the process's log at a file in a temporary folder for one test.
class LogRedirect {
public:
    LogRedirect();
    ~LogRedirect();
    const std::string& path() const { return path_; }
    std::string content() const;
    std::string folder() const { return folder_.path(); }

private:
    TempFolder folder_;
    std::string path_;
    std::string previous_;
};

// A default configuration block.
OstrevanePDB defaultPDB();

// A pseudo-terminal whose slave side is named by OSTREVANE800_COM<n> while it lives.
class PseudoTerminal {
public:
    explicit PseudoTerminal(int comNumber = 1);
    ~PseudoTerminal();
    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    void sendToDriver(const std::string& bytes);

private:
    int master_ = -1;
    int comNumber_;
    std::string slavePath_;
};

std::string takeHostText(char* text);

}  // namespace testing_support
