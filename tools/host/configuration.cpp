#include "host/configuration.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/pdb_file.h"
#include "host/system.h"
#include "host/tag_list.h"
#include "host/text_codec.h"
#include "host/values.h"

namespace host {

namespace {

void say(const std::string& text) { sys::writeOutput(text + "\n"); }
void complain(const std::string& text) { sys::writeError("ostrevane-host: " + text + "\n"); }

std::string countedText(const uint8_t* field)
{
    return gbkToUtf8(std::string(reinterpret_cast<const char*>(field + 1), field[0]));
}

}  // namespace

bool buildPdb(const Options& options, const DriverEntryPoints& driver, OstrevanePDB& block, std::string& error)
{
    std::memset(&block, 0, sizeof block);
    if (!options.pdbFile.empty()) {
        if (!loadPdb(options.pdbFile, block, error)) return false;
        applySettings(block, options.settings, false);
        return true;
    }
    driver.FullPDB(&block);
    applySettings(block, options.settings, true);
    return true;
}

int pdbCommand(const Options& options, const DriverEntryPoints* driver)
{
    OstrevanePDB block;
    std::memset(&block, 0, sizeof block);
    std::string error;
    if (options.command == Command::PdbCreate) {
        driver->FullPDB(&block);
        applySettings(block, options.settings, true);
    } else if (!loadPdb(options.pdbFile, block, error)) {
        complain(error);
        return 1;
    }
    if (options.command == Command::PdbSet) applySettings(block, options.settings, false);
    if (options.command != Command::PdbShow) {
        if (!savePdb(options.pdbFile, block, error)) {
            complain(error);
            return 1;
        }
        say("saved " + options.pdbFile);
    }
    for (const std::string& line : describePdb(block)) say(line);
    return 0;
}

AddressCheck checkAddress(const DriverEntryPoints& driver, OstrevanePDB& block, const std::string& address,
                          std::string (*takeText)(char*))
{
    AddressCheck check;
    const auto gbk = utf8ToGbk(address);
    if (!gbk) {
        check.message = "the address holds characters that GBK cannot carry";
        return check;
    }
    // The driver hands back a new buffer for the address and leaves ours alone.
    std::vector<char> text(gbk->begin(), gbk->end());
    text.push_back('\0');
    char* inOut = text.data();
    char* message = nullptr;
    check.valid = driver.TagEdAddr(&block, &inOut, 0, &message) != 0;
    check.message = gbkToUtf8(takeText(message));
    check.canonical = inOut == text.data() ? address : gbkToUtf8(takeText(inOut));
    return check;
}

int addressCommand(const Options& options, const DriverEntryPoints& driver, std::string (*takeText)(char*))
{
    OstrevanePDB block;
    std::string error;
    if (!buildPdb(options, driver, block, error)) {
        complain(error);
        return 1;
    }
    int status = 0;
    for (const std::string& address : options.addresses) {
        const AddressCheck check = checkAddress(driver, block, address, takeText);
        std::string line = address + "  " + (check.valid ? "accepted" : "refused");
        if (!check.canonical.empty() && check.canonical != address) line += "  canonical " + check.canonical;
        if (!check.message.empty()) line += "  message: " + check.message;
        // The driver writes -1 for a part it could not read or that the device lacks.
        if (check.valid && check.canonical.find("-1") != std::string::npos)
            line += "  (-1: a part missing or out of range for that device; the run will refuse it)";
        const bool system = !check.valid && isSystemTagAddress(address);
        if (system) line = address + "  system tag: the tag editor check does not know it; the run takes it";
        say(line);
        if (!check.valid && !system) status = 1;
    }
    return status;
}

int typesCommand(const DriverEntryPoints& driver)
{
    uint32_t count = 0;
    driver.GetTagAddrList(0, &count, nullptr);
    // The driver's table has 32 records; a host never asks for more.
    std::vector<TagEditorEntry> entries(std::min<uint32_t>(count, OSTREVANE_TAG_TYPE_COUNT));
    count = static_cast<uint32_t>(entries.size());
    if (count) driver.GetTagAddrList(0, &count, entries.data());
    say("TYPE  VALUE    ATTR  MINIMUM     MAXIMUM     DESCRIPTION");
    for (const TagEditorEntry& entry : entries) {
        const double minimum = entry.Minimum;
        const double maximum = entry.Maximum;
        const uint8_t valueType = entry.ValueType;
        char line[96];
        std::snprintf(line, sizeof line, "%-4s  %-7s  %4u  %-10s  %-10s  ", countedText(entry.Mnemonic).c_str(),
                      valueType <= 2 ? valueTypeName(static_cast<ValueType>(valueType)).c_str() : "?",
                      static_cast<unsigned>(entry.Attribute), formatValue(minimum).c_str(),
                      formatValue(maximum).c_str());
        say(line + countedText(entry.Description));
    }
    say(std::to_string(entries.size()) + " tag types");
    return 0;
}

}  // namespace host
