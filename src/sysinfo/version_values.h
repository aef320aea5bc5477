/* The library's version information: compiled into the POSIX library and into the
 * Windows version resource from this one file. The resource compiler reads the UTF-8
 * texts (and stores them as UTF-16); the C++ side takes the *_GBK twins, the same texts
 * as escaped GBK bytes, so that no compiler charset is involved. A unit test checks
 * that each twin matches its UTF-8 text. */
#ifndef OSTREVANE_VERSION_VALUES_H
#define OSTREVANE_VERSION_VALUES_H

#define OSTREVANE_FILE_VERSION_TEXT "3.11.0.3"
#define OSTREVANE_FILE_VERSION_NUMBERS 3, 11, 0, 3
#define OSTREVANE_PRODUCT_VERSION_TEXT "1.4.0.0"
#define OSTREVANE_PRODUCT_VERSION_NUMBERS 1, 4, 0, 0
#define OSTREVANE_FILE_DESCRIPTION "Ostrevane仪表"
#define OSTREVANE_FILE_DESCRIPTION_GBK "Ostrevane\xD2\xC7\xB1\xED"
#define OSTREVANE_INTERNAL_NAME "Ostrevane仪表通讯驱动程序β版"
#define OSTREVANE_INTERNAL_NAME_GBK \
    "Ostrevane\xD2\xC7\xB1\xED\xCD\xA8\xD1\xB6\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xA6\xC2\xB0\xE6"
#define OSTREVANE_ORIGINAL_FILENAME "Ostrevane800.dll"
#define OSTREVANE_PRODUCT_NAME "Ostrevane800"
#define OSTREVANE_DEVICE_NAME "Ostrevane仪表"
#define OSTREVANE_DEVICE_NAME_GBK "Ostrevane\xD2\xC7\xB1\xED"
#define OSTREVANE_DEV_TYPE_NAME "仪表"
#define OSTREVANE_DEV_TYPE_NAME_GBK "\xD2\xC7\xB1\xED"
#define OSTREVANE_DEV_ID_NAME "仪表号"
#define OSTREVANE_DEV_ID_NAME_GBK "\xD2\xC7\xB1\xED\xBA\xC5"
#define OSTREVANE_CHN_NAME "仪表地址"
#define OSTREVANE_CHN_NAME_GBK "\xD2\xC7\xB1\xED\xB5\xD8\xD6\xB7"
/* Chinese (simplified), code page 936 */
#define OSTREVANE_TRANSLATION_BLOCK "080403A8"
#define OSTREVANE_TRANSLATION 0x0804, 936

#endif
