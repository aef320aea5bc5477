// How the Linux port describes a line to the kernel (termios2). Separate from the
// port so that the description can be checked where a pseudo-terminal cannot show it:
// recent kernels keep neither character size nor parity on a pseudo-terminal.
#pragma once
#include <asm/termbits.h>

#include "serial/serial_port.h"

namespace serial {

// Turns `line`, the terminal's current description, into a raw line with `settings`;
// false when the settings have no Linux form (four-bit characters).
bool composeLine(termios2& line, const LineSettings& settings);

}  // namespace serial
