#include "settings.h"

#include <cstring>

#include "profile.h"
#include "state.h"

namespace {

constexpr WORD kPlaceholderMaximum = 0xFFFE;
constexpr WORD kMinimumPrescan = 900;
// A letter-length flatbed may keep an A4-length area.
constexpr WORD kLetterLength = 3450;
constexpr WORD kA4Length = 3508;

enum class Section { Scanner, Page };

// One key of the settings file and the field it fills; the field keeps the
// low bits of the integer read.
struct SettingKey {
    const char* key;
    Section section;
    int defaultValue;
    size_t offset;
    size_t width;
};

#define FIELD(name) offsetof(ScanSettings, name), sizeof(ScanSettings::name)

constexpr SettingKey kRunKeys[] = {
    {"Scan Page", Section::Scanner, 1, FIELD(scanPage)},
    {"Scan Speed", Section::Scanner, 1, FIELD(scanSpeed)},
    {"Unit", Section::Scanner, 0, FIELD(unit)},
    {"AutoSize", Section::Scanner, 1, FIELD(autoSize)},
    {"Scan Method", Section::Scanner, 2, FIELD(scanMethod)},
    {"Prescan Y", Section::Scanner, 0, FIELD(prescanY)},
    {"Prescan X", Section::Scanner, 0, FIELD(prescanX)},
};

constexpr SettingKey kPageKeys[] = {
    {"Image Type", Section::Page, 0, FIELD(imageType)},
    {"Color filter", Section::Page, 0, FIELD(colorFilter)},
    {"Sharpen Mode", Section::Page, 0, FIELD(sharpenMode)},
    {"Descreen Mode", Section::Page, 0, FIELD(descreenMode)},
    {"Angle", Section::Page, 0, FIELD(angle)},
    {"Instensity", Section::Page, 0, FIELD(intensity)},
    {"Saturation", Section::Page, 100, FIELD(saturation)},
    {"Color Magician", Section::Page, 0, FIELD(colorMagician)},
    {"Diffusion", Section::Page, 0, FIELD(diffusion)},
    {"Invert Image", Section::Page, 0, FIELD(invertImage)},
    {"Resolution", Section::Page, 300, FIELD(resolution)},
    {"X ScaleFactor", Section::Page, 100, FIELD(xScaleFactor)},
    {"Y ScaleFactor", Section::Page, 100, FIELD(yScaleFactor)},
    {"Master Brightness", Section::Page, 100, FIELD(masterBrightness)},
    {"Master Contrast", Section::Page, 100, FIELD(masterContrast)},
    {"Master Highlight", Section::Page, 255, FIELD(masterHighlight)},
    {"Master Shadow", Section::Page, 0, FIELD(masterShadow)},
    {"Master Gamma Value", Section::Page, 140, FIELD(masterGammaValue)},
    {"Red Brightness", Section::Page, 100, FIELD(redBrightness)},
    {"Red Contrast", Section::Page, 100, FIELD(redContrast)},
    {"Red Highlight", Section::Page, 255, FIELD(redHighlight)},
    {"Red Shadow", Section::Page, 0, FIELD(redShadow)},
    {"Red Gamma Value", Section::Page, 140, FIELD(redGammaValue)},
    {"Green Brightness", Section::Page, 100, FIELD(greenBrightness)},
    {"Green Contrast", Section::Page, 100, FIELD(greenContrast)},
    {"Green Highlight", Section::Page, 255, FIELD(greenHighlight)},
    {"Green Shadow", Section::Page, 0, FIELD(greenShadow)},
    {"Green Gamma Value", Section::Page, 140, FIELD(greenGammaValue)},
    {"Blue Brightness", Section::Page, 100, FIELD(blueBrightness)},
    {"Blue Contrast", Section::Page, 100, FIELD(blueContrast)},
    {"Blue Highlight", Section::Page, 255, FIELD(blueHighlight)},
    {"Blue Shadow", Section::Page, 0, FIELD(blueShadow)},
    {"Bule Gamma Value", Section::Page, 140, FIELD(blueGammaValue)},
    {"Halftone", Section::Page, 3, FIELD(halftone)},
    {"x", Section::Page, 0, FIELD(x)},
    {"y", Section::Page, 0, FIELD(y)},
};

constexpr SettingKey kLockKeys[] = {
    {"Lock Size", Section::Scanner, 0, FIELD(lockSize)},
    {"Lock Scale", Section::Scanner, 0, FIELD(lockScale)},
    {"Functions", Section::Page, 0, FIELD(functions)},
    {"TET", Section::Page, 0, FIELD(tet)},
};

#undef FIELD

void Store(ScanSettings* settings, const SettingKey& key, int value)
{
    // Little-endian: the first bytes of the integer are its low bits.
    std::memcpy(reinterpret_cast<BYTE*>(settings) + key.offset, &value, key.width);
}

template <size_t N>
void ReadKeys(const char* path, const char* pageSection, ScanSettings* settings,
              const SettingKey (&keys)[N])
{
    for (const SettingKey& key : keys) {
        const char* section = key.section == Section::Scanner ? kSectionScanner : pageSection;
        Store(settings, key, ReadInt(path, section, key.key, key.defaultValue));
    }
}

WORD Lower(WORD value, WORD maximum)
{
    return value > maximum ? maximum : value;
}

WORD ClampPrescan(WORD value, WORD maximum)
{
    const WORD m = Lower(value, maximum);
    return m < kMinimumPrescan ? kMinimumPrescan : m;
}

} // namespace

void ResetScanSettings(ScanSettings* settings, ScannerAbility* ability)
{
    settings->scanPage = 1;
    settings->sharpenMode = 0;
    settings->descreenMode = 0;
    settings->masterBrightness = 100;
    settings->masterContrast = 100;
    settings->masterHighlight = 255;
    settings->masterShadow = 0;
    settings->masterGammaValue = 140;
    settings->angle = 0;
    settings->intensity = 0;
    settings->saturation = 100;
    settings->colorMagician = 0;
    settings->autoSize = 1;
    settings->useTransparence = 0;

    ability->flatbedWidth = kPlaceholderMaximum;
    ability->flatbedLength = kPlaceholderMaximum;
    ability->feederWidth = kPlaceholderMaximum;
    ability->feederLength = kPlaceholderMaximum;
    ability->scannerType = 160;
}

void LoadPageSettings(const char* path, ScanSettings* settings, const ScannerAbility* ability,
                      int page)
{
    char section[16];
    wsprintfA(section, "%d", page);
    ReadKeys(path, section, settings, kPageKeys);

    if (settings->scanMethod < 2) {
        settings->cx = Lower(static_cast<WORD>(ReadInt(path, section, "Cx", ability->feederWidth)),
                             ability->feederWidth);
        settings->cy = Lower(static_cast<WORD>(ReadInt(path, section, "Cy", ability->feederLength)),
                             ability->feederLength);
    } else {
        settings->cx = Lower(static_cast<WORD>(ReadInt(path, section, "Cx", ability->flatbedWidth)),
                             ability->flatbedWidth);
        const WORD cy = static_cast<WORD>(ReadInt(path, section, "Cy", ability->flatbedLength));
        const bool letterBed = ability->scannerType == 160 && ability->flatbedLength == kLetterLength;
        settings->cy = Lower(cy, letterBed ? kA4Length : ability->flatbedLength);
    }

    ReadKeys(path, section, settings, kLockKeys);
}

extern "C" int WINAPI GetAllSettingFromPrivateIni(const char* path, ScanSettings* settings,
                                                  ScannerAbility* ability)
{
    if (!path || !settings || !ability)
        return 0;

    ReadKeys(path, nullptr, settings, kRunKeys);

    if (ability->scannerType == 64 && settings->scanMethod > 1)
        settings->scanMethod = 1;
    else if (ability->scannerType == 128)
        settings->scanMethod = 2;

    WORD widthMaximum, lengthMaximum;
    WORD width, length;
    if (settings->scanMethod >= 2) {
        widthMaximum = ability->flatbedWidth;
        lengthMaximum = ability->flatbedLength;
        width = static_cast<WORD>(ReadInt(path, kSectionScanner, "Prescan Width", widthMaximum));
        length = static_cast<WORD>(ReadInt(path, kSectionScanner, "Prescan Length", lengthMaximum));
    } else {
        widthMaximum = ability->feederWidth;
        lengthMaximum = ability->feederLength;
        length = static_cast<WORD>(ReadInt(path, kSectionScanner, "Prescan Length", lengthMaximum));
        width = static_cast<WORD>(ReadInt(path, kSectionScanner, "Prescan Width", widthMaximum));
    }
    settings->prescanWidth = ClampPrescan(width, widthMaximum);
    settings->prescanLength = ClampPrescan(length, lengthMaximum);
    WriteInt(path, kSectionScanner, "Prescan Length", settings->prescanLength);

    settings->useTransparence = ReadInt(path, kSectionScanner, "Use Transparence", 0);

    LoadPageSettings(path, settings, ability, static_cast<int>(settings->scanPage));
    return 1;
}

void ReadSourceSettings()
{
    GetAllSettingFromPrivateIni(settingsPath, &settings, &scannerAbility);
    preparedPages = settings.scanPage;
}
