/* The library's version information: compiled into the POSIX library and into the
 * Windows version resource from this one file. UTF-8 here; GBK in the built library. */
#ifndef OSTREVANE_VERSION_VALUES_H
#define OSTREVANE_VERSION_VALUES_H

#define OSTREVANE_FILE_VERSION_TEXT "3.11.0.3"
#define OSTREVANE_FILE_VERSION_NUMBERS 3, 11, 0, 3
#define OSTREVANE_PRODUCT_VERSION_TEXT "1.4.0.0"
#define OSTREVANE_PRODUCT_VERSION_NUMBERS 1, 4, 0, 0
#define OSTREVANE_FILE_DESCRIPTION "Ostrevane仪表"
#define OSTREVANE_INTERNAL_NAME "Ostrevane仪表通讯驱动程序β版"
#define OSTREVANE_ORIGINAL_FILENAME "Ostrevane800.dll"
#define OSTREVANE_PRODUCT_NAME "Ostrevane800"
#define OSTREVANE_DEVICE_NAME "Ostrevane仪表"
#define OSTREVANE_DEV_TYPE_NAME "仪表"
#define OSTREVANE_DEV_ID_NAME "仪表号"
#define OSTREVANE_CHN_NAME "仪表地址"
/* Chinese (simplified), code page 936 */
#define OSTREVANE_TRANSLATION_BLOCK "080403A8"
#define OSTREVANE_TRANSLATION 0x0804, 936

#endif
