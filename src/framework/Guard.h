// No failure leaves an operation of the driver: a caught failure writes the
// exception line naming class and method, and the operation gives its neutral result.
#pragma once
#include <string_view>
#include <type_traits>

#include "framework/DLLLog.h"

namespace guard {

template <typename Result, typename Body>
Result run(std::string_view className, std::string_view method, Result neutral, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        logfile::writeExceptionLine(className, method);
        return neutral;
    }
}

template <typename Body>
void run(std::string_view className, std::string_view method, Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
        logfile::writeExceptionLine(className, method);
    }
}

// For the few operations whose faults pass without a log line: the body's failure
// only yields the neutral result.
template <typename Result, typename Body>
Result quiet(Result neutral, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return neutral;
    }
}

}  // namespace guard
