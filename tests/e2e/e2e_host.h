// What the shared end-to-end tests need around the driver's exports that differs
// between a native build and a Windows build.
//
// Native: the host starts the simulator with the standard instruments
// (standard-instruments.args) on a pseudo-terminal that OSTREVANE800_COM1 names, and
// keeps the driver's log in a temporary folder. Windows (the DLL under Wine):
// scripts/wine-run-tests.sh --e2e started the simulator with the same instruments and
// mapped COM1 to it; the log is .\Debug\Ostrevane800.Log below the current folder.
#pragma once
#include <memory>
#include <string>

class E2eHost {
public:
    E2eHost();
    ~E2eHost();  // ends the calling thread's driver
    E2eHost(const E2eHost&) = delete;
    E2eHost& operator=(const E2eHost&) = delete;

    bool lineReady() const;
    std::string problem() const;
    // What the driver wrote to its log since this host was made (GBK).
    std::string newLog() const;
    // Releases a text the driver handed over; returns its content.
    static std::string take(char* text);

private:
    struct State;
    std::unique_ptr<State> state_;
};
