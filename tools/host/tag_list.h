// The tag list file: the tags a host would hand to IniDriver, one CSV row each.
//
//   id,name,address,type,interval,initial
//   1,PV1,PV1:0.0,number,500,
//   20,COMMLINK,COMMLINK,text,1000,
//
// Columns are found by their header names, in any order; id, name and address are
// required, type (number, boolean, text) defaults to number, interval (ms) to 0 and
// initial to none. Blank lines and lines starting with # are skipped.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/values.h"

namespace host {

struct TagEntry {
    uint32_t id = 0;
    std::string name;     // UTF-8, as shown
    std::string address;  // UTF-8, as written in the file
    std::string nameGbk;  // what the driver gets
    std::string addressGbk;
    ValueType type = ValueType::Number;
    uint32_t interval = 0;  // ms
    std::optional<Value> initial;
    int line = 0;  // where the row stands in its file
};

// The largest tag id accepted: the driver keeps an array indexed by id.
constexpr uint32_t kLargestTagId = 65535;

// Reads the rows of `content`. Every bad row adds one error "FILE:LINE: what is wrong".
std::vector<TagEntry> parseTagList(const std::string& content, const std::string& fileName,
                                   std::vector<std::string>& errors);

// Reads the file; errors as above, or one error when it cannot be read.
std::vector<TagEntry> loadTagList(const std::string& path, std::vector<std::string>& errors);

// Whether an address names one of the driver's system tags (ENLOG, COMMLINK,
// ENCOMMLINK, DEVICELINKn, ENDEVICELINKn); letters in either case.
bool isSystemTagAddress(const std::string& address);

// Splits one CSV line into fields; quotes may enclose commas and "" stands for one quote.
// Empty result with `problem` when a quote is left open.
std::optional<std::vector<std::string>> splitCsvLine(const std::string& line, std::string& problem);

}  // namespace host
