// The exports' messages to the host.
// Each entry: its name, the GBK bytes the driver uses (escapes, so that no compiler
// charset is involved) and the same text in UTF-8 for the reader and for the test that
// compares the two. A new entry: scripts/gbk-escape.py --entry Name 'text'.
#pragma once

// clang-format off
#define OSTREVANE_DRIVER_TEXTS(TEXT) \
    TEXT(DriverInitFailed, "\xCD\xA8\xD1\xB6\xC9\xE8\xB1\xB8\xB3\xF5\xCA\xBC\xBB\xAF\xCA\xA7\xB0\xDC", "通讯设备初始化失败") \
    TEXT(InvalidTagList, "\xCE\xDE\xD0\xA7\xB5\xC4\xB1\xEA\xC7\xA9\xC1\xD0\xB1\xED\xA1\xA3", "无效的标签列表。") \
    TEXT(InvalidParameters, "\xCE\xDE\xD0\xA7\xB5\xC4\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2\xA1\xA3", "无效的参数信息。") \
    TEXT(ConcurrentAccess, "\xC9\xE8\xB1\xB8\xB2\xBB\xD6\xA7\xB3\xD6\xB2\xA2\xB7\xA2\xB7\xC3\xCE\xCA\xA3\xAC\xB9\xB2\xCF\xED\xB3\xE5\xCD\xBB\xA1\xA3", "设备不支持并发访问，共享冲突。")
// clang-format on

namespace texts::driver {

#define OSTREVANE_TEXT_CONSTANT(name, gbk, utf8) inline constexpr char name[] = gbk;
OSTREVANE_DRIVER_TEXTS(OSTREVANE_TEXT_CONSTANT)
#undef OSTREVANE_TEXT_CONSTANT

}  // namespace texts::driver
