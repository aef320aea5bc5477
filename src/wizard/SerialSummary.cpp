#include "wizard/SerialSummary.h"

#include <array>
#include <string_view>

#include "definitions/DLLDef.h"
#include "wizard/WizardTexts.h"

namespace wizard::serial {

namespace {

// Spaces after the rate, so that the parity starts in one column whatever the rate's
// width: 3 digits get 4 spaces, 6 digits get 1.
constexpr std::array<int, def::BaudRates.size()> kSpacesAfterRate = {4, 4, 4, 3, 3, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1};
constexpr std::array<std::string_view, 5> kDataBitsTexts = {
    texts::wizard::Bits4, texts::wizard::Bits5, texts::wizard::Bits6, texts::wizard::Bits7, texts::wizard::Bits8};
constexpr std::array<std::string_view, 3> kStopBitsTexts = {texts::wizard::StopBits1, texts::wizard::StopBits1Half,
                                                            texts::wizard::StopBits2};
// The port also runs with mark and space parity (codes 3 and 4), which the serial page
// cannot choose but another tool may have stored: the summary names them too.
constexpr std::array<std::string_view, def::ParityCount> kParityTexts = {
    texts::wizard::NoParity, texts::wizard::OddParity, texts::wizard::EvenParity, texts::wizard::MarkParity,
    texts::wizard::SpaceParity};

template <size_t N>
std::string textOf(const std::array<std::string_view, N>& texts, unsigned code, unsigned fallback)
{
    return std::string(texts[code < N ? code : fallback]);
}

std::string rateLine(const OstrevanePDB& block)
{
    std::string line = texts::wizard::BaudRateIs;
    if (block.BaudCode >= def::BaudRates.size()) return line + "9600";
    line += std::to_string(def::BaudRates[block.BaudCode]);
    line.append(kSpacesAfterRate[block.BaudCode], ' ');
    return line + textOf(kParityTexts, block.ParityCode, 0);
}

}  // namespace

std::vector<std::string> portItems()
{
    std::vector<std::string> items;
    items.reserve(def::PortCount);
    for (int port = 1; port <= def::PortCount; ++port) items.push_back("COM" + std::to_string(port));
    return items;
}

std::vector<std::string> baudItems()
{
    std::vector<std::string> items;
    items.reserve(def::BaudRates.size());
    for (uint32_t rate : def::BaudRates) items.push_back(std::to_string(rate));
    return items;
}

std::vector<std::string> summaryLines(const OstrevanePDB& block)
{
    std::string port = block.PortCode < def::PortCount
                           ? texts::wizard::SerialPortNumbered + std::to_string(block.PortCode + 1)
                           : std::string();
    std::string bits = texts::wizard::DataBitsIs +
                       textOf(kDataBitsTexts, block.DataBitsCode, kDataBitsTexts.size() - 1) +
                       texts::wizard::StopBitsIs + textOf(kStopBitsTexts, block.StopBitsCode, 0);
    return {port, rateLine(block), bits};
}

}  // namespace wizard::serial
