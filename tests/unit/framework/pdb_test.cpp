#include <gtest/gtest.h>

#include <cstring>

#include "framework/PDB.h"
#include "support/test_support.h"

using testing_support::defaultPDB;

TEST(ConfigurationBlock, DefaultsDescribeOne808OnCom1At9600_8N1)
{
    OstrevanePDB block;
    std::memset(&block, 0xAB, sizeof block);
    pdb::FullPDB(block);
    EXPECT_EQ(
        (std::vector<int>{block.DebugSwitch, block.ErrorOutput, block.TraceOutput, block.CreateMode, block.PortCode,
                          block.BaudCode, block.DataBitsCode, block.StopBitsCode, block.ParityCode}),
        (std::vector<int>{0, 0, 0, 0, 0, 6, 4, 0, 0}));
    EXPECT_EQ(pdb::typeName(block.Devices[0]), "Ostrevane808");
    for (int n = 0; n < 100; ++n) {
        const DeviceEntry& entry = block.Devices[n];
        EXPECT_EQ(entry.DeviceNo, n);
        EXPECT_EQ(entry.DeviceType, n == 0 ? 0 : 2);
        EXPECT_EQ((std::vector<int>{entry.Reserved252, entry.Reserved253, entry.Reserved254, entry.Reserved256,
                                    entry.Reserved258, entry.Reserved260}),
                  (std::vector<int>{0, 0, 80, 32, 8, 49}));
    }
    EXPECT_EQ(block.Reserved3[0], 0xAB);  // reserved bytes without a default stay as the host gave them
    EXPECT_EQ(pdb::FirstDeviceNo(block), 0u);
    block.Devices[0].DeviceType = 2;
    EXPECT_EQ(pdb::FirstDeviceNo(block), 0u);  // also with no device at all
    block.Devices[42].DeviceType = 1;
    block.Devices[17].DeviceType = 0;
    EXPECT_EQ(pdb::FirstDeviceNo(block), 17u);
}

TEST(ConfigurationBlock, ValidationClearsEntriesWhoseCodeAndNameDisagree)
{
    const OstrevanePDB defaults = defaultPDB();
    OstrevanePDB block = defaults;
    EXPECT_FALSE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(std::memcmp(&defaults, &block, sizeof block), 0);
    const struct {
        uint8_t type;
        std::string name;
        bool cleared;
    } cases[] = {{1, "Ostrevane808", true},
                 {0, "Ostrevane808x", true},
                 {7, "Ostrevane808", true},
                 {0, "", true},
                 {1, "Ostrevane847", false}};
    for (const auto& c : cases) {
        block = defaults;
        block.Devices[4].DeviceType = c.type;
        pdb::setTypeName(block.Devices[4], c.name);
        EXPECT_EQ(pdb::ValidateDeviceTable(block), c.cleared) << c.name;
        EXPECT_EQ(block.Devices[4].DeviceType, c.cleared ? 2 : c.type) << c.name;
    }
    // A length byte claiming more than the field holds: no match, and no name beyond the field.
    block = defaults;
    block.Devices[0].TypeName[0] = 255;
    EXPECT_EQ(pdb::typeName(block.Devices[0]).size(), 246u);
    EXPECT_TRUE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(block.Devices[0].DeviceType, 2);
}

TEST(ConfigurationBlock, CopyTakesDefinedFieldsOnly)
{
    OstrevanePDB source = defaultPDB();
    source.TraceOutput = source.CreateMode = 1;
    source.FirstDevice = 9;
    source.BaudCode = 12;
    source.ParityCode = 2;
    source.Devices[9].DeviceType = 1;
    pdb::setTypeName(source.Devices[9], std::string(300, 'N'));  // cut to the 246 the field holds
    std::memset(source.Reserved3, 0x11, sizeof source.Reserved3);
    OstrevanePDB destination;
    std::memset(&destination, 0x5A, sizeof destination);
    pdb::CopyPDB(source, destination);
    EXPECT_EQ((std::vector<int>{destination.TraceOutput, destination.CreateMode, destination.BaudCode,
                                destination.ParityCode, destination.Devices[9].DeviceType}),
              (std::vector<int>{1, 1, 12, 2, 1}));
    EXPECT_EQ(destination.FirstDevice, 9u);
    EXPECT_EQ(pdb::typeName(destination.Devices[9]), std::string(246, 'N'));
    EXPECT_EQ(destination.Devices[9].Reserved254, 80);
    EXPECT_EQ(destination.Reserved3[0], 0x5A);  // reserved bytes of the destination stay
    EXPECT_EQ(destination.Devices[9].Reserved262[0], 0x5A);
}
