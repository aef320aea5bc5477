#include "wizard/SerialSummary.h"

#include <array>
#include <string_view>

#include "definitions/DLLDef.h"

namespace wizard::serial {

namespace {

// Spaces after the rate, so that the parity starts in one column whatever the rate's
// width: 3 digits get 4 spaces, 6 digits get 1.
constexpr std::array<int, def::BaudRates.size()> kSpacesAfterRate = {4, 4, 4, 3, 3, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1};
constexpr std::array<std::string_view, 5> kDataBitsTexts = {"4位", "5位", "6位", "7位", "8位"};
constexpr std::array<std::string_view, 3> kStopBitsTexts = {"1位", "1位半", "2位"};
constexpr std::array<std::string_view, 3> kParityTexts = {"无校验", "奇校验", "偶校验"};

template <size_t N>
std::string textOf(const std::array<std::string_view, N>& texts, unsigned code, unsigned fallback)
{
    return std::string(texts[code < N ? code : fallback]);
}

std::string rateLine(const OstrevanePDB& block)
{
    std::string line = "波特率 = ";
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
    std::string port = block.PortCode < def::PortCount ? "串口" + std::to_string(block.PortCode + 1) : std::string();
    std::string bits = "数据位 = " + textOf(kDataBitsTexts, block.DataBitsCode, kDataBitsTexts.size() - 1) +
                       "    停止位 = " + textOf(kStopBitsTexts, block.StopBitsCode, 0);
    return {port, rateLine(block), bits};
}

}  // namespace wizard::serial
