// The value exchange with the host: the tags due for a report after a poll step,
// and the host's writes matched to their tags.
#pragma once
#include <cstdint>

#include "Ostrevane800.h"
#include "framework/DLLBaseDef.h"

class TBaseDLLObject;

namespace valueexchange {

// Fills `records` with the tags whose report interval has passed and that are new
// (their first six examinations) or changed in value or quality, in table order.
// `count` counts the records as they are filled, so texts already handed over are
// always counted.
void reportChanges(TBaseDLLObject& object, TagDataRec* records, uint32_t& count);

// Passes each record whose id names a tag of the same value type to WriteExecute;
// the result of the last write carried out, false when there was none.
bool applyWrites(TBaseDLLObject& object, const TagDataRec* records, uint32_t count);

// The value a host record carries for a write (text copied, at most 255 bytes).
TagValue recordValue(const TagDataRec& record);

}  // namespace valueexchange
