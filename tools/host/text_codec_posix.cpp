#include <iconv.h>

#include <cerrno>

#include "host/text_codec.h"

namespace host {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // With `replaceInvalid` a byte that starts no character is shown as U+FFFD and the
    // conversion goes on; without, it stops there.
    enum class Result { Done, Invalid };
    Result convert(const std::string& input, std::string& output, bool replaceInvalid)
    {
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[256];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t done = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            if (done != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            if (!replaceInvalid) return Result::Invalid;
            output += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        return Result::Done;
    }

private:
    iconv_t handle_;
};

}  // namespace

std::string gbkToUtf8(const std::string& gbk)
{
    Converter converter("UTF-8", "GBK");
    if (!converter.valid()) return gbk;
    std::string result;
    converter.convert(gbk, result, true);
    return result;
}

std::optional<std::string> utf8ToGbk(const std::string& utf8)
{
    Converter converter("GBK", "UTF-8");
    if (!converter.valid()) return std::nullopt;
    std::string result;
    if (converter.convert(utf8, result, false) != Converter::Result::Done) return std::nullopt;
    return result;
}

}  // namespace host
