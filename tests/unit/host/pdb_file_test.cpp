// The stored configuration block: the file, the settings from the command line, and
// how it is shown.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/pdb_file.h"
#include "support/test_support.h"

namespace {

OstrevanePDB driverDefaults()
{
    OstrevanePDB block;
    std::memset(&block, 0, sizeof block);
    FullPDB(&block);  // the driver's own defaults: device 0 configured, 9600 8N1
    return block;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST(HostPdbFile, ABlockSurvivesSavingAndLoadingByteForByte)
{
    testing_support::TempFolder folder;
    OstrevanePDB block = driverDefaults();
    host::PdbSettings settings;
    settings.devices = {{1, OSTREVANE_DEVICE_808}, {3, OSTREVANE_DEVICE_847}};
    settings.traceOutput = true;
    host::applySettings(block, settings, true);
    block.Devices[5].Reserved262[0] = 0x5A;  // bytes the host does not know travel too

    std::string error;
    ASSERT_TRUE(host::savePdb(folder.file("line.pdb"), block, error)) << error;
    std::ifstream file(folder.file("line.pdb"), std::ios::binary | std::ios::ate);
    EXPECT_EQ(file.tellg(), 26424);

    OstrevanePDB loaded;
    ASSERT_TRUE(host::loadPdb(folder.file("line.pdb"), loaded, error)) << error;
    EXPECT_EQ(std::memcmp(&loaded, &block, sizeof block), 0);

    // Saving again over the file replaces it.
    block.BaudCode = 12;
    ASSERT_TRUE(host::savePdb(folder.file("line.pdb"), block, error)) << error;
    ASSERT_TRUE(host::loadPdb(folder.file("line.pdb"), loaded, error));
    EXPECT_EQ(loaded.BaudCode, 12);
}

TEST(HostPdbFile, AFileOfAnotherSizeIsNoBlock)
{
    testing_support::TempFolder folder;
    for (const size_t size : {size_t{0}, size_t{26423}, size_t{26425}}) {
        std::ofstream(folder.file("odd.pdb"), std::ios::binary) << std::string(size, '\0');
        OstrevanePDB block;
        std::string error;
        EXPECT_FALSE(host::loadPdb(folder.file("odd.pdb"), block, error)) << size;
        EXPECT_NE(error.find("holds " + std::to_string(size) + " bytes; a configuration block has 26424"),
                  std::string::npos)
            << error;
    }
    OstrevanePDB block;
    std::string error;
    EXPECT_FALSE(host::loadPdb(folder.file("missing.pdb"), block, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(HostPdbFile, DevicesReplaceTheDefaultOnANewBlockAndChangeEntriesOtherwise)
{
    host::PdbSettings twoDevices;
    twoDevices.devices = {{3, OSTREVANE_DEVICE_847}, {1, OSTREVANE_DEVICE_808}};

    OstrevanePDB created = driverDefaults();
    host::applySettings(created, twoDevices, true);
    EXPECT_EQ(created.Devices[0].DeviceType, OSTREVANE_NO_DEVICE);
    EXPECT_EQ(created.Devices[0].TypeName[0], 0);
    EXPECT_EQ(created.Devices[1].DeviceType, OSTREVANE_DEVICE_808);
    EXPECT_EQ(host::entryTypeName(created.Devices[1]), "Ostrevane808");
    EXPECT_EQ(host::entryTypeName(created.Devices[3]), "Ostrevane847");
    EXPECT_EQ(created.FirstDevice, 1u);
    EXPECT_EQ(created.CreateMode, 1);  // several devices share the line

    OstrevanePDB changed = driverDefaults();
    host::applySettings(changed, twoDevices, false);
    EXPECT_EQ(changed.Devices[0].DeviceType, OSTREVANE_DEVICE_808);
    EXPECT_EQ(changed.FirstDevice, 0u);

    host::PdbSettings removeAll;
    removeAll.devices = {{0, OSTREVANE_NO_DEVICE}, {1, OSTREVANE_NO_DEVICE}, {3, OSTREVANE_NO_DEVICE}};
    host::applySettings(changed, removeAll, false);
    EXPECT_EQ(changed.CreateMode, 0);
    for (const DeviceEntry& entry : changed.Devices) EXPECT_EQ(entry.DeviceType, OSTREVANE_NO_DEVICE);

    // A mode given on the command line wins over the count of devices.
    host::PdbSettings single = twoDevices;
    single.createMode = 0;
    OstrevanePDB forced = driverDefaults();
    host::applySettings(forced, single, true);
    EXPECT_EQ(forced.CreateMode, 0);
}

TEST(HostPdbFile, SerialSettingsAndSwitchesAreSetOnlyWhenGiven)
{
    OstrevanePDB block = driverDefaults();
    host::PdbSettings settings;
    settings.portCode = 4;
    settings.parityCode = 2;
    settings.debugSwitch = true;
    host::applySettings(block, settings, false);
    EXPECT_EQ(block.PortCode, 4);
    EXPECT_EQ(block.ParityCode, 2);
    EXPECT_EQ(block.BaudCode, 6);      // untouched: 9600
    EXPECT_EQ(block.DataBitsCode, 4);  // untouched: 8 bits
    EXPECT_EQ(block.DebugSwitch, 1);
    EXPECT_EQ(block.TraceOutput, 0);
}

TEST(HostPdbFile, TheDescriptionNamesSettingsAndEntriesTheDriverWillNotUse)
{
    OstrevanePDB block = driverDefaults();
    const std::string defaults = joined(host::describePdb(block));
    EXPECT_NE(defaults.find("serial line:   COM1, 9600 baud, 8 data bits, no parity, 1 stop bit"), std::string::npos)
        << defaults;
    EXPECT_NE(defaults.find("device 0:  Ostrevane808\n"), std::string::npos) << defaults;
    EXPECT_NE(defaults.find("creation mode: single device (RS232)"), std::string::npos);

    block.BaudCode = 15;
    block.PortCode = 12;
    block.StopBitsCode = 1;
    block.Devices[7].DeviceType = OSTREVANE_DEVICE_847;  // no type name: the driver clears it
    block.Devices[9].DeviceType = 5;
    const std::string odd = joined(host::describePdb(block));
    EXPECT_NE(odd.find("port code 12 (outside COM1..COM10)"), std::string::npos) << odd;
    EXPECT_NE(odd.find("baud code 15 (not in the table)"), std::string::npos) << odd;
    EXPECT_NE(odd.find("1.5 stop bits"), std::string::npos) << odd;
    EXPECT_NE(odd.find("device 7:  " "  (type name does not match type code 1 (Ostrevane847): the driver clears this entry)"),
              std::string::npos)
        << odd;
    EXPECT_NE(odd.find("(type code 5 is unknown: the driver clears this entry)"), std::string::npos) << odd;

    OstrevanePDB empty = driverDefaults();
    empty.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
    EXPECT_NE(joined(host::describePdb(empty)).find("devices:       none"), std::string::npos);
}

}  // namespace
