// The port's status texts.
// Each entry: its name, the GBK bytes the driver uses (escapes, so that no compiler
// charset is involved) and the same text in UTF-8 for the reader and for the test that
// compares the two. A new entry: scripts/gbk-escape.py --entry Name 'text'.
#pragma once

// clang-format off
#define OSTREVANE_SERIAL_TEXTS(TEXT) \
    TEXT(PortOpened, "\xB4\xF2\xBF\xAA\xB3\xC9\xB9\xA6", "打开成功") \
    TEXT(PortNotAvailable, "\xB2\xBB\xB4\xE6\xD4\xDA\xBB\xF2\xB1\xBB\xC6\xE4\xCB\xFC\xB3\xCC\xD0\xF2\xD5\xBC\xD3\xC3\xA3\xA1", "不存在或被其它程序占用！") \
    TEXT(BadPortSettings, "\xC9\xE8\xB1\xB8\xB2\xCE\xCA\xFD\xD6\xD0\xB5\xC4\xB4\xAE\xBF\xDA\xC9\xE8\xD6\xC3\xD3\xD0\xCE\xF3!", "设备参数中的串口设置有误!")
// clang-format on

namespace texts::serial {

#define OSTREVANE_TEXT_CONSTANT(name, gbk, utf8) inline constexpr char name[] = gbk;
OSTREVANE_SERIAL_TEXTS(OSTREVANE_TEXT_CONSTANT)
#undef OSTREVANE_TEXT_CONSTANT

}  // namespace texts::serial
