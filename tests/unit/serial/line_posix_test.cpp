// The termios2 description the Linux port gives the kernel, and the device it opens.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "serial/serial_line_posix.h"

namespace {

// A terminal as Linux hands it out: cooked, echoing, with Xon/Xoff, 38400 bits/s.
termios2 freshTerminal(tcflag_t extraControl = 0)
{
    termios2 line{};
    line.c_iflag = ICRNL | IXON | IXANY | BRKINT;
    line.c_oflag = OPOST | ONLCR;
    line.c_cflag = B38400 | CS8 | CREAD | HUPCL | extraControl;
    line.c_lflag = ISIG | ICANON | ECHO | IEXTEN;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    return line;
}

TEST(LinePosix, CharacterFormatAndRate)
{
    struct Row {
        uint8_t dataBits, parity, stopBits;
        uint32_t rate;
        tcflag_t format, rateCode;  // CSIZE, parity and stop bits; CBAUD of c_cflag
    };
    const Row rows[] = {
        {8, 0, 0, 110, CS8, B110},
        {7, 2, 0, 9600, CS7 | PARENB, B9600},                        // even
        {7, 1, 0, 19200, CS7 | PARENB | PARODD, B19200},             // odd
        {8, 3, 0, 115200, CS8 | PARENB | CMSPAR | PARODD, B115200},  // mark
        {8, 4, 0, 14400, CS8 | PARENB | CMSPAR, BOTHER},             // space
        {6, 0, 2, 56000, CS6 | CSTOPB, BOTHER},
        {5, 0, 1, 256000, CS5 | CSTOPB, BOTHER},  // one and a half stop bits
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        for (tcflag_t handshake : {tcflag_t{0}, tcflag_t{CRTSCTS}}) {
            termios2 line = freshTerminal(handshake);
            serial::LineSettings settings;
            std::tie(settings.dataBits, settings.parity, settings.stopBits, settings.baudRate) =
                std::tie(row.dataBits, row.parity, row.stopBits, row.rate);
            ASSERT_TRUE(serial::composeLine(line, settings));
            EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), row.format);
            EXPECT_EQ((line.c_iflag & INPCK) != 0, row.parity != 0);
            EXPECT_EQ(line.c_cflag & (CBAUD | CIBAUD), row.rateCode);  // input rate follows output
            EXPECT_EQ(line.c_ospeed, row.rate);
            EXPECT_EQ(line.c_ispeed, row.rate);
            // Raw, reads return at once, hardware handshake as the port had it.
            EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
            EXPECT_EQ(line.c_oflag & OPOST, 0u);
            EXPECT_EQ(line.c_iflag & (ICRNL | IXON | IXANY | BRKINT), 0u);
            EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD | CRTSCTS), CLOCAL | CREAD | handshake);
            EXPECT_EQ(line.c_cc[VMIN] + line.c_cc[VTIME], 0);
        }
    }
}

TEST(LinePosix, PortNamesNameTheirVariablesDeviceOrTheSerialDevice)
{
    setenv("OSTREVANE800_COM7", "/dev/pts/7", 1);
    const std::pair<const char*, const char*> rows[] = {
        {"Com1", "/dev/ttyS0"}, {"COM10", "/dev/ttyS9"}, {"com7", "/dev/pts/7"}, {"Com0", ""},
        {"Com01", ""},          {"Com1000", ""},         {"Com1x", ""},          {"Cxm1", ""}};
    for (const auto& [name, device] : rows) EXPECT_EQ(serial::devicePath(name), device) << name;
    unsetenv("OSTREVANE800_COM7");
}

}  // namespace
