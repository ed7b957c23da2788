#include "errors.h"

#include <array>
#include <string>
#include <string_view>

#include "driver.h"
#include "messagebox.h"
#include "profile.h"
#include "state.h"

namespace {

constexpr int kTextMax = 179;
constexpr int kWarmUpMax = 255;

// Fixed codes and the keys whose texts make up their message; an empty key
// marks a line break between two texts.
struct FixedMessage {
    LONG code;
    std::array<const char*, 9> keys;
};

constexpr std::array<FixedMessage, 6> kFixedMessages{{
    {2, {"IDS_LOWMEMORY"}},
    {701, {"IDS_NOPAPER", "", "IDS_NOPAPER1"}},
    {703, {"IDS_NODISK", "", "IDS_NODISK1"}},
    {704,
     {"IDS_WRITEERROR", "", "IDS_WRITEERROR1", "", "IDS_WRITEERROR2", "", "IDS_WRITEERROR3", "",
      "IDS_WRITEERROR4"}},
    {710, {"IDS_BADSIZE"}},
    {711, {"IDS_BADWIDTH"}},
}};

// Driver status values with a fixed meaning.
constexpr LONG kStatusNone = 0;
constexpr LONG kStatusCallerText = 123;
constexpr LONG kStatusWarmUpA = 155;
constexpr LONG kStatusWarmUpB = 164;

const FixedMessage* FindFixed(LONG code)
{
    for (const auto& entry : kFixedMessages)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

} // namespace

extern "C" void WINAPI DS_Error(HWND owner, const char* text, LONG code)
{
    if (code == kResultSilent || code == 3)
        return;

    const std::string modelFile = ModelFilePath();
    const std::string language = ReadLanguage("Error");
    std::string message = "\n\n";

    if (const FixedMessage* fixed = FindFixed(code)) {
        for (const char* key : fixed->keys) {
            if (!key)
                break;
            if (*key == '\0')
                message += '\n';
            else
                message += ReadText(modelFile, language.c_str(), key, "Error", kTextMax);
        }
    } else {
        const LONG status = QueryDriverStatus();
        if (status == kStatusNone)
            return;
        char line[48];
        wsprintfA(line, "Error Code : %ld\n\n", status);
        message = line;
        if ((status == kStatusWarmUpA || status == kStatusWarmUpB) && code == kResultNoAnswer) {
            message = ReadText(modelFile, language.c_str(), "IDS_WARMUP",
                               "Scanner lamp does not warm up yet.", kWarmUpMax);
            message += '\n';
            message += ReadText(modelFile, language.c_str(), "IDS_WARMUP1",
                                "Please wait 30 seconds and try again.", kTextMax);
        } else {
            char key[24];
            wsprintfA(key, "Err%ld", status);
            message += ReadText(modelFile, language.c_str(), key, "Unknow error.", kTextMax);
        }
        if (status == kStatusCallerText)
            message = text ? text : "";
    }

    // Longer texts are cut so the box never gets more than the limit.
    if (message.size() > kErrorTextMax)
        message.resize(kErrorTextMax);
    ShowMessageBox(owner, message.c_str(), kMessageTitle, kMessageFlags);
}

TW_UINT16 FailTriplet(TW_UINT16 code, const char* text)
{
    conditionCode = code;
    DS_Error(appWindow, text, code);
    return TWRC_FAILURE;
}

TW_UINT16 Refuse(TW_UINT16 code)
{
    conditionCode = code;
    return TWRC_FAILURE;
}
