// How the Linux port describes a line to the kernel (termios2). Separate from the
// port so that the description can be checked where a pseudo-terminal cannot show it:
// recent kernels keep neither character size nor parity on a pseudo-terminal.
#pragma once
#include <asm/termbits.h>

#include <string>

#include "serial/serial_port.h"

namespace serial {

// Turns `line`, the terminal's current description, into a raw line with `settings`;
// false when the settings have no Linux form (four-bit characters).
bool composeLine(termios2& line, const LineSettings& settings);

// The device of a port name: "ComN" is the device in OSTREVANE800_COMN when that is
// set, else /dev/ttyS(N-1); empty for a name that is no port.
std::string devicePath(const std::string& portName);

}  // namespace serial
