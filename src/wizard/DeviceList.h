// The device-table rules the device pages share: which type a list position names,
// assigning and freeing entries, the free-number search and the device tree.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "ui/Form.h"

namespace wizard::devices {

// The device-type code of a position of the device-type list: the list holds the
// known types in code order; any other position (none selected) names no device.
uint8_t typeCodeOfPosition(int position);
// The name a type code gives its entry: the type's name, "无效" for no device.
std::string typeNameOfCode(uint8_t code);

bool isFree(const OstrevanePDB& block, int deviceNo);
// Gives entry deviceNo the type of the list position and that type's name; when
// clearReserved, also the two bytes after the name are cleared.
void assignEntry(OstrevanePDB& block, int deviceNo, int position, bool clearReserved);
// Frees an entry: no device, empty name.
void freeEntry(OstrevanePDB& block, int deviceNo);
// The smallest free number 0..98, or 99 when every one of them is in use.
uint32_t FreeDeviceNo(const OstrevanePDB& block);
// The entry the pages preselect: FirstDevice, or the first device when the stored
// number lies outside the table.
int preselectedEntry(const OstrevanePDB& block);

// A device number as the user typed it: a decimal integer (0 when the text is not
// one), clamped to the table's numbers.
int clampedDeviceNo(const std::string& text);

// "n：name" for the entry.
std::string nodeText(const OstrevanePDB& block, int deviceNo);
// One node per entry in use, in number order, each referring to its entry.
std::vector<ui::TreeNode> deviceNodes(const OstrevanePDB& block);

}  // namespace wizard::devices
