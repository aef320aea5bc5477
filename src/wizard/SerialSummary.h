// The words of the serial settings: the lists of the serial page and the three
// summary lines of the confirmation page.
#pragma once
#include <string>
#include <vector>

#include "Ostrevane800.h"

namespace wizard::serial {

// "COM1" .. "COM10", by port code.
std::vector<std::string> portItems();
// "110" .. "256000", by baud code.
std::vector<std::string> baudItems();

// Port text, rate and parity, data and stop bits: the summary of the five codes.
std::vector<std::string> summaryLines(const OstrevanePDB& block);

}  // namespace wizard::serial
