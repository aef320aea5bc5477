// The wizard's pages by number.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/Form.h"

namespace wizard {

// A new page form for a page number 1..7; nullptr for any other number.
std::unique_ptr<ui::Form> createPage(uint8_t page);

}  // namespace wizard
