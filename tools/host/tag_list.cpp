#include "host/tag_list.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <map>

#include "host/text_codec.h"
#include "host/text_helpers.h"

namespace host {

namespace {

constexpr size_t kNameBytes = 32;     // the name field of a host tag record
constexpr size_t kAddressBytes = 64;  // the address field

enum Column { Id, Name, Address, Type, Interval, Initial, ColumnCount };

std::optional<Column> columnNamed(const std::string& header)
{
    static const std::map<std::string, Column> kNames = {{"id", Id},
                                                         {"tag id", Id},
                                                         {"name", Name},
                                                         {"tag name", Name},
                                                         {"address", Address},
                                                         {"tag address", Address},
                                                         {"type", Type},
                                                         {"value type", Type},
                                                         {"interval", Interval},
                                                         {"report interval", Interval},
                                                         {"interval ms", Interval},
                                                         {"initial", Initial},
                                                         {"initial value", Initial}};
    const auto found = kNames.find(lowerAscii(trim(header)));
    if (found == kNames.end()) return std::nullopt;
    return found->second;
}

bool readUnsigned(const std::string& text, uint32_t& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return !text.empty() && failure == std::errc() && stop == end;
}

struct RowReader {
    const std::string& fileName;
    std::vector<std::string>& errors;
    std::map<uint32_t, int> idLines;
    std::map<std::string, int> nameLines;

    void fail(int line, const std::string& what)
    {
        errors.push_back(fileName + ":" + std::to_string(line) + ": " + what);
    }

    // A text for a fixed-size field of the host record, in GBK.
    std::optional<std::string> fieldText(int line, const std::string& what, const std::string& text, size_t limit)
    {
        auto gbk = utf8ToGbk(text);
        if (!gbk) {
            fail(line, what + " '" + text + "' holds characters that GBK cannot carry (or is no UTF-8)");
            return std::nullopt;
        }
        if (gbk->size() > limit) {
            fail(line, what + " '" + text + "' takes " + std::to_string(gbk->size()) +
                           " bytes in GBK; the field holds " + std::to_string(limit));
            return std::nullopt;
        }
        return gbk;
    }

    std::optional<TagEntry> read(int line, const std::vector<std::string>& fields, const int (&at)[ColumnCount])
    {
        auto field = [&](Column column) { return at[column] < 0 ? std::string() : trim(fields[at[column]]); };
        TagEntry tag;
        tag.line = line;
        bool ok = true;
        const std::string idText = field(Id);
        if (!readUnsigned(idText, tag.id) || tag.id > kLargestTagId) {
            fail(line, "id '" + idText + "' is not a number from 0 to " + std::to_string(kLargestTagId));
            ok = false;
        } else if (const auto seen = idLines.find(tag.id); seen != idLines.end()) {
            fail(line, "id " + idText + " is already used on line " + std::to_string(seen->second));
            ok = false;
        }
        tag.name = field(Name);
        tag.address = field(Address);
        if (tag.name.empty()) {
            fail(line, "the name is empty");
            ok = false;
        } else if (const auto seen = nameLines.find(tag.name); seen != nameLines.end()) {
            fail(line, "name " + tag.name + " is already used on line " + std::to_string(seen->second));
            ok = false;
        }
        if (tag.address.empty()) {
            fail(line, "the address is empty");
            ok = false;
        }
        const auto name =
            tag.name.empty() ? std::optional<std::string>("") : fieldText(line, "name", tag.name, kNameBytes);
        const auto address = tag.address.empty() ? std::optional<std::string>("")
                                                 : fieldText(line, "address", tag.address, kAddressBytes);
        ok = ok && name && address;
        if (name) tag.nameGbk = *name;
        if (address) tag.addressGbk = *address;

        const std::string typeText = field(Type);
        if (!typeText.empty()) {
            const auto type = parseValueType(typeText);
            if (!type) {
                fail(line, "type '" + typeText + "' is none of number, boolean, text");
                ok = false;
            } else {
                tag.type = *type;
            }
        }
        const std::string intervalText = field(Interval);
        if (!intervalText.empty() && !readUnsigned(intervalText, tag.interval)) {
            fail(line, "interval '" + intervalText + "' is not a number of milliseconds");
            ok = false;
        }
        const std::string initialText = at[Initial] < 0 ? std::string() : fields[at[Initial]];
        if (!trim(initialText).empty()) {
            std::string problem;
            // A text keeps its blanks; numbers and Booleans do not need them.
            tag.initial = parseValue(tag.type, tag.type == ValueType::Text ? initialText : trim(initialText), problem);
            if (!tag.initial) {
                fail(line, "initial value: " + problem + " for a " + valueTypeName(tag.type) + " tag");
                ok = false;
            } else if (tag.type == ValueType::Text && !utf8ToGbk(initialText)) {
                fail(line,
                     "initial text '" + initialText + "' holds characters that GBK cannot carry (or is no UTF-8)");
                ok = false;
            }
        }
        if (!ok) return std::nullopt;
        idLines[tag.id] = line;
        nameLines[tag.name] = line;
        return tag;
    }
};

}  // namespace

bool isSystemTagAddress(const std::string& address)
{
    const std::string upper = upperAscii(address);
    for (const char* keyword : {"ENLOG", "COMMLINK", "ENCOMMLINK", "DEVICELINK", "ENDEVICELINK"})
        if (upper.rfind(keyword, 0) == 0) return true;
    return false;
}

std::optional<std::vector<std::string>> splitCsvLine(const std::string& line, std::string& problem)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && trim(fields.back()).empty()) {
            fields.back().clear();
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        problem = "a quoted field is not closed";
        return std::nullopt;
    }
    return fields;
}

std::vector<TagEntry> parseTagList(const std::string& content, const std::string& fileName,
                                   std::vector<std::string>& errors)
{
    std::vector<TagEntry> tags;
    RowReader reader{fileName, errors, {}, {}};
    int at[ColumnCount];
    bool haveHeader = false;
    size_t headerFields = 0;
    size_t position = 0;
    // A byte-order mark some editors put in front of UTF-8.
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) position = 3;
    for (int line = 1; position < content.size(); ++line) {
        size_t end = content.find('\n', position);
        if (end == std::string::npos) end = content.size();
        std::string text = content.substr(position, end - position);
        position = end + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string trimmed = trim(text);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        std::string problem;
        const auto fields = splitCsvLine(text, problem);
        if (!fields) {
            reader.fail(line, problem);
            if (!haveHeader) return tags;
            continue;
        }
        if (!haveHeader) {
            for (int& column : at) column = -1;
            for (size_t i = 0; i < fields->size(); ++i) {
                const auto column = columnNamed((*fields)[i]);
                if (!column) {
                    reader.fail(line, "unknown column '" + trim((*fields)[i]) +
                                          "' in the header (columns: id,name,address,type,interval,initial)");
                    return tags;
                }
                if (at[*column] >= 0) {
                    reader.fail(line, "column '" + trim((*fields)[i]) + "' appears twice in the header");
                    return tags;
                }
                at[*column] = static_cast<int>(i);
            }
            if (at[Id] < 0 || at[Name] < 0 || at[Address] < 0) {
                reader.fail(line, "the header needs the columns id, name and address "
                                  "(and may have type, interval, initial)");
                return tags;
            }
            haveHeader = true;
            headerFields = fields->size();
            continue;
        }
        if (fields->size() != headerFields) {
            reader.fail(
                line, std::to_string(fields->size()) + " fields where the header has " + std::to_string(headerFields));
            continue;
        }
        if (auto tag = reader.read(line, *fields, at)) tags.push_back(std::move(*tag));
    }
    if (!haveHeader)
        errors.push_back(fileName + ": no header line (id,name,address,type,interval,initial)");
    else if (tags.empty() && errors.empty())
        errors.push_back(fileName + ": no tags");
    return tags;
}

std::vector<TagEntry> loadTagList(const std::string& path, std::vector<std::string>& errors)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        errors.push_back("cannot open the tag list " + path);
        return {};
    }
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return parseTagList(content, path, errors);
}

}  // namespace host
