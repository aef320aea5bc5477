// What a test host needs around the driver's exports that differs between a
// native build (driver linked in, clock injected, pseudo-terminal as COM1) and a
// Windows build (the DLL under Wine, its real tick count, COM1 mapped by the runner).
#pragma once
#include <memory>
#include <string>

class TestHost {
public:
    TestHost();   // a line on COM1, the driver's log kept out of the way
    ~TestHost();  // stops and ends the calling thread's driver
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    bool lineReady() const;
    // Lets at least `milliseconds` + 1 ms pass on the driver's tick count.
    void pass(uint32_t milliseconds);
    // The OLE date the driver stamps a record with now, and how far a stamp may be off.
    double now() const;
    double stampTolerance() const;
    // Releases a text the driver handed over, as the host must; returns its content.
    static std::string take(char* text);

private:
    struct State;
    std::unique_ptr<State> state_;
};
