// The device test the host's development environment offers. The driver's private
// instance is started on a copy of the configuration with one built-in tag; as that
// tag names no parameter of these instruments, the test ends at once with a notice.
#pragma once
#include <string>

#include "Ostrevane800.h"
#include "ui/Form.h"

namespace diagnostics {

// The test window: created for the run, never shown.
class TSampleTest : public ui::Form {
public:
    TSampleTest();

    // What the private driver instance reported when it started.
    std::string StatusText;
};

// The test run on the host's configuration (left unchanged); `showWindow` is the
// host's option flag. Always false. The private driver object stays in the calling
// thread's slot for the caller to destroy.
bool RunDeviceTest(const OstrevanePDB& hostPDB, bool showWindow);

}  // namespace diagnostics
