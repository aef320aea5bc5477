// The termios2 description the Linux port gives the kernel for each line setting.
#include <gtest/gtest.h>

#include "serial/serial_line_posix.h"

namespace {

// A terminal as Linux hands it out: cooked, echoing, with Xon/Xoff, 38400 bits/s.
termios2 freshTerminal(tcflag_t extraControl = 0)
{
    termios2 line{};
    line.c_iflag = ICRNL | IXON | IXANY | IMAXBEL | BRKINT;
    line.c_oflag = OPOST | ONLCR;
    line.c_cflag = B38400 | CS8 | CREAD | HUPCL | extraControl;
    line.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    line.c_ispeed = line.c_ospeed = 38400;
    return line;
}

serial::LineSettings settings(uint8_t dataBits, uint8_t parity, uint8_t stopBits, uint32_t rate = 9600)
{
    serial::LineSettings result;
    result.baudRate = rate;
    result.dataBits = dataBits;
    result.parity = parity;
    result.stopBits = stopBits;
    return result;
}

TEST(LinePosix, CharacterFormatTable)
{
    struct Row {
        uint8_t dataBits, parity, stopBits;
        tcflag_t expected;  // CSIZE, parity and stop bits of c_cflag
    };
    const Row rows[] = {
        {8, 0, 0, CS8},
        {7, 2, 0, CS7 | PARENB},                  // even
        {7, 1, 0, CS7 | PARENB | PARODD},         // odd
        {8, 3, 0, CS8 | PARENB | CMSPAR | PARODD},  // mark
        {8, 4, 0, CS8 | PARENB | CMSPAR},          // space
        {6, 0, 2, CS6 | CSTOPB},
        {5, 0, 1, CS5 | CSTOPB},  // one and a half stop bits
        {8, 2, 2, CS8 | PARENB | CSTOPB},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.dataBits) << "/" << int(row.parity) << "/" << int(row.stopBits));
        termios2 line = freshTerminal();
        ASSERT_TRUE(serial::composeLine(line, settings(row.dataBits, row.parity, row.stopBits)));
        EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), row.expected);
        EXPECT_EQ((line.c_iflag & INPCK) != 0, row.parity != 0);
    }
}

TEST(LinePosix, SettingsWithoutLinuxFormAreRefused)
{
    for (const serial::LineSettings& bad : {settings(4, 0, 0), settings(9, 0, 0), settings(8, 5, 0), settings(8, 0, 3)}) {
        termios2 line = freshTerminal();
        EXPECT_FALSE(serial::composeLine(line, bad));
    }
}

TEST(LinePosix, RatesWithAClassicCodeUseItOthersAreExact)
{
    struct Row {
        uint32_t rate;
        tcflag_t code;
    };
    const Row rows[] = {{110, B110},       {9600, B9600},     {19200, B19200},  {115200, B115200},
                        {14400, BOTHER},   {56000, BOTHER},   {128000, BOTHER}, {256000, BOTHER}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        termios2 line = freshTerminal();
        ASSERT_TRUE(serial::composeLine(line, settings(8, 0, 0, row.rate)));
        EXPECT_EQ(line.c_cflag & CBAUD, row.code);
        EXPECT_EQ(line.c_cflag & CIBAUD, 0u);  // input rate follows the output rate
        EXPECT_EQ(line.c_ospeed, row.rate);
        EXPECT_EQ(line.c_ispeed, row.rate);
    }
}

TEST(LinePosix, LineIsRawAndReadsReturnAtOnce)
{
    for (tcflag_t handshake : {tcflag_t{0}, tcflag_t{CRTSCTS}}) {
        termios2 line = freshTerminal(handshake);
        ASSERT_TRUE(serial::composeLine(line, settings(8, 2, 0)));
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN), 0u);
        EXPECT_EQ(line.c_oflag & OPOST, 0u);
        EXPECT_EQ(line.c_iflag & (ICRNL | IXON | IXOFF | IXANY | BRKINT), 0u);
        EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(line.c_cc[VMIN], 0);
        EXPECT_EQ(line.c_cc[VTIME], 0);
        EXPECT_EQ(line.c_cc[VSTART], 0x11);
        EXPECT_EQ(line.c_cc[VSTOP], 0x13);
        // Hardware handshake stays as the port had it.
        EXPECT_EQ(line.c_cflag & CRTSCTS, handshake);
    }
}

}  // namespace
