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
    EXPECT_EQ(block.DebugSwitch, 0);
    EXPECT_EQ(block.ErrorOutput, 0);
    EXPECT_EQ(block.TraceOutput, 0);
    EXPECT_EQ(block.CreateMode, 0);
    EXPECT_EQ(block.FirstDevice, 0u);
    EXPECT_EQ(block.PortCode, 0);
    EXPECT_EQ(block.BaudCode, 6);
    EXPECT_EQ(block.DataBitsCode, 4);
    EXPECT_EQ(block.StopBitsCode, 0);
    EXPECT_EQ(block.ParityCode, 0);
    EXPECT_EQ(block.Devices[0].DeviceType, 0);
    EXPECT_EQ(pdb::typeName(block.Devices[0]), "Ostrevane808");
    for (int n = 0; n < 100; ++n) {
        const DeviceEntry& entry = block.Devices[n];
        EXPECT_EQ(entry.DeviceNo, n);
        if (n > 0) {
            EXPECT_EQ(entry.DeviceType, 2);
        }
        EXPECT_EQ(entry.Reserved252, 0);
        EXPECT_EQ(entry.Reserved253, 0);
        EXPECT_EQ(entry.Reserved254, 80);
        EXPECT_EQ(entry.Reserved256, 32);
        EXPECT_EQ(entry.Reserved258, 8);
        EXPECT_EQ(entry.Reserved260, 49);
    }
    // Reserved bytes without a default are left as the host gave them.
    EXPECT_EQ(block.Reserved3[0], 0xAB);
    EXPECT_EQ(block.Devices[5].Reserved262[1], 0xAB);
    EXPECT_EQ(block.Reserved26421[2], 0xAB);
}

TEST(ConfigurationBlock, ByteOffsetsMatchTheStoredFormat)
{
    OstrevanePDB block{};
    pdb::FullPDB(block);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
    EXPECT_EQ(bytes[26417], 6);
    EXPECT_EQ(bytes[26418], 4);
    EXPECT_EQ(bytes[16 + 264 * 1 + 4], 2);                            // entry 1 type
    EXPECT_EQ(bytes[16 + 5], 12);                                     // entry 0 name length
    EXPECT_EQ(bytes[16 + 264 * 7 + 0], 7);                            // entry 7 number
    EXPECT_EQ(bytes[16 + 264 * 3 + 254] | bytes[16 + 264 * 3 + 255] << 8, 80);
}

TEST(ConfigurationBlock, ValidationOfDefaultsChangesNothing)
{
    OstrevanePDB block = defaultPDB();
    const OstrevanePDB before = block;
    EXPECT_FALSE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(std::memcmp(&before, &block, sizeof block), 0);
}

TEST(ConfigurationBlock, ValidationClearsEntriesWhoseCodeAndNameDisagree)
{
    struct Case {
        const char* what;
        uint8_t type;
        std::string name;
        bool cleared;
    };
    const Case cases[] = {
        {"847 code with 808 name", 1, "Ostrevane808", true},
        {"name with a trailing extra character", 0, "Ostrevane808x", true},
        {"unknown type code", 7, "Ostrevane808", true},
        {"empty name", 0, "", true},
        {"matching 847", 1, "Ostrevane847", false},
    };
    for (const Case& c : cases) {
        OstrevanePDB block = defaultPDB();
        block.Devices[4].DeviceType = c.type;
        pdb::setTypeName(block.Devices[4], c.name);
        EXPECT_EQ(pdb::ValidateDeviceTable(block), c.cleared) << c.what;
        if (c.cleared) {
            EXPECT_EQ(block.Devices[4].DeviceType, 2) << c.what;
            EXPECT_EQ(block.Devices[4].TypeName[0], 0) << c.what;
        } else {
            EXPECT_EQ(block.Devices[4].DeviceType, c.type) << c.what;
        }
    }
}

TEST(ConfigurationBlock, ValidationRejectsAnOverlongLengthByte)
{
    OstrevanePDB block = defaultPDB();
    block.Devices[2].DeviceType = 0;
    block.Devices[2].TypeName[0] = 255;  // claims more characters than the field holds
    EXPECT_TRUE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(block.Devices[2].DeviceType, 2);
}

TEST(ConfigurationBlock, FirstDeviceNoIsZeroWhenEmptyOrOnlyEntryZero)
{
    OstrevanePDB block = defaultPDB();
    EXPECT_EQ(pdb::FirstDeviceNo(block), 0u);
    block.Devices[0].DeviceType = 2;
    EXPECT_EQ(pdb::FirstDeviceNo(block), 0u);
    block.Devices[42].DeviceType = 1;
    block.Devices[17].DeviceType = 0;
    EXPECT_EQ(pdb::FirstDeviceNo(block), 17u);
}

TEST(ConfigurationBlock, CopyTakesDefinedFieldsAndCutsLongNames)
{
    OstrevanePDB source = defaultPDB();
    source.DebugSwitch = 1;
    source.TraceOutput = 1;
    source.CreateMode = 1;
    source.FirstDevice = 9;
    source.PortCode = 3;
    source.BaudCode = 12;
    source.ParityCode = 2;
    source.Devices[9].DeviceType = 1;
    pdb::setTypeName(source.Devices[9], std::string(300, 'N'));  // a 300-character name
    std::memset(source.Reserved3, 0x11, sizeof source.Reserved3);

    OstrevanePDB destination;
    std::memset(&destination, 0x5A, sizeof destination);
    pdb::CopyPDB(source, destination);

    EXPECT_EQ(destination.DebugSwitch, 1);
    EXPECT_EQ(destination.TraceOutput, 1);
    EXPECT_EQ(destination.CreateMode, 1);
    EXPECT_EQ(destination.FirstDevice, 9u);
    EXPECT_EQ(destination.PortCode, 3);
    EXPECT_EQ(destination.BaudCode, 12);
    EXPECT_EQ(destination.ParityCode, 2);
    EXPECT_EQ(destination.Devices[9].DeviceType, 1);
    EXPECT_EQ(destination.Devices[9].TypeName[0], 246);
    EXPECT_EQ(pdb::typeName(destination.Devices[9]), std::string(246, 'N'));
    EXPECT_EQ(destination.Devices[9].Reserved254, 80);
    EXPECT_EQ(pdb::typeName(destination.Devices[0]), "Ostrevane808");
    // Reserved bytes of the destination stay as they were.
    EXPECT_EQ(destination.Reserved3[0], 0x5A);
    EXPECT_EQ(destination.Devices[9].Reserved262[0], 0x5A);
}
