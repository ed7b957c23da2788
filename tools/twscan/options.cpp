#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct Choice {
    std::string_view word;
    int value;
};

constexpr Choice kMechanisms[] = {
    {"native", TWSX_NATIVE},
    {"memory", TWSX_MEMORY},
    {"file", TWSX_FILE},
};

constexpr Choice kPixelTypes[] = {
    {"bw", TWPT_BW},
    {"gray", TWPT_GRAY},
    {"rgb", TWPT_RGB},
};

constexpr size_t kMaxTwainName = sizeof(TW_STR32) - 1;

template <size_t N>
bool Choose(const Choice (&choices)[N], std::string_view word, int& value)
{
    for (const auto& choice : choices) {
        if (choice.word == word) {
            value = choice.value;
            return true;
        }
    }
    return false;
}

bool ParseInteger(const std::string& text, long low, long high, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno || *end || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool ParseFrame(const std::string& text, double (&frame)[4])
{
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',', start);
        if ((i < 3) != (comma != std::string::npos))
            return false;
        const std::string part = text.substr(start, i < 3 ? comma - start : std::string::npos);
        if (!ParseNumber(part, frame[i]) || frame[i] < 0 || frame[i] > 32767)
            return false;
        start = comma + 1;
    }
    return frame[0] < frame[2] && frame[1] < frame[3];
}

} // namespace

const char* UsageText()
{
    return "usage: twscan [--source NAME] [--list] [--app NAME] [--xfer native|memory|file]\n"
           "              [--pixel bw|gray|rgb] [--dpi N] [--frame L,T,R,B] [--count N] [--ui]\n"
           "              [--out PATTERN] [--dismiss] [--timeout S] [--log FILE]\n";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        // Flags first: they take no value.
        if (name == "--list" || name == "--ui" || name == "--dismiss") {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--list" ? options.list : name == "--ui" ? options.ui : options.dismiss) = true;
            continue;
        }
        static constexpr std::string_view kValued[] = {"--source", "--app", "--xfer",  "--pixel",
                                                       "--dpi",    "--frame", "--count", "--out",
                                                       "--timeout", "--log"};
        bool known = false;
        for (auto option : kValued)
            known = known || option == name;
        if (!known) {
            error = "unknown option " + name;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        int number = 0;
        if (name == "--source" || name == "--app") {
            if (value.empty() || value.size() > kMaxTwainName) {
                error = name + " needs a name of 1 to 33 characters";
                return false;
            }
            (name == "--source" ? options.source : options.app) = value;
        } else if (name == "--xfer") {
            if (!Choose(kMechanisms, value, number)) {
                error = "--xfer must be native, memory or file";
                return false;
            }
            options.xfer = static_cast<TW_UINT16>(number);
        } else if (name == "--pixel") {
            if (!Choose(kPixelTypes, value, options.pixel)) {
                error = "--pixel must be bw, gray or rgb";
                return false;
            }
        } else if (name == "--dpi") {
            if (!ParseInteger(value, 1, 32767, options.dpi)) {
                error = "--dpi needs a whole number from 1 to 32767";
                return false;
            }
        } else if (name == "--frame") {
            if (!ParseFrame(value, options.frame)) {
                error = "--frame needs L,T,R,B in inches with L < R and T < B";
                return false;
            }
            options.frameSet = true;
        } else if (name == "--count") {
            if (!ParseInteger(value, -1, 32767, options.count) || options.count == 0) {
                error = "--count needs -1 or a whole number from 1 to 32767";
                return false;
            }
        } else if (name == "--out") {
            if (value.empty()) {
                error = "--out needs a file name";
                return false;
            }
            options.out = value;
        } else if (name == "--timeout") {
            if (!ParseNumber(value, options.timeout) || options.timeout <= 0 ||
                options.timeout > 86400) {
                error = "--timeout needs a number of seconds above 0 (at most 86400)";
                return false;
            }
        } else if (name == "--log") {
            if (value.empty()) {
                error = "--log needs a file name";
                return false;
            }
            options.log = value;
        }
    }
    return true;
}

std::string OutputName(const std::string& pattern, int n)
{
    const std::string number = std::to_string(n);
    std::string name;
    bool substituted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 2, "%d") == 0) {
            name += number;
            substituted = true;
            ++i;
        } else {
            name += pattern[i];
        }
    }
    if (substituted || n == 1)
        return name;
    const size_t slash = name.find_last_of("\\/:");
    const size_t dot = name.find_last_of('.');
    const size_t at = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                          ? dot
                          : name.size();
    return name.substr(0, at) + "-" + number + name.substr(at);
}
