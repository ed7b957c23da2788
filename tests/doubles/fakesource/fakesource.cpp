// A TWAIN data source for testing twscan. It does what the [Fake] section
// of fakesource.ini in the Windows directory says, the wrong things
// included, and writes one line per triplet it receives to fakesource.log.
//
// [Fake] keys (all optional):
//   Products     comma-separated product names, reported in turn to the
//                manager's detection ("Fake Scanner")
//   Width, Height, Bits, PixelType   the image DAT_IMAGEINFO announces
//                (64, 48, 8, TWPT_GRAY)
//   DeliverWidth, DeliverHeight, DeliverBits   what the transfers deliver
//                (the announced values)
//   Images       images pending after MSG_XFERREADY (1)
//   Notify       xferready | closereq | never: what MSG_ENABLEDS sends (xferready)
//   BoxInEnable  text of a message box shown inside MSG_ENABLEDS after the
//                notification ("|" becomes a line break)
//   Fail         names of triplets that fail with TWCC_BUMMER: OPENDS,
//                ENABLEDS, DISABLEDS, CLOSEDS, CAPABILITY, CAP_xxxx (hex),
//                IMAGELAYOUT, IMAGEINFO, PALETTE8, SETUPMEMXFER, MEMXFER,
//                SETUPFILEXFER, FILEXFER, NATIVEXFER, ENDXFER
//   Cancel       transfer triplets answered TWRC_CANCEL (NATIVEXFER, MEMXFER, FILEXFER)
//   NullHandle   1: a native transfer ends TWRC_XFERDONE without a handle
//   ZeroBuffer   1: DAT_SETUPMEMXFER proposes no buffer size
//   StripRows    rows per memory strip (7)
//   OmitOffsets  1: memory strips leave YOffset and Columns alone
//   EndXferResult   return code of MSG_ENDXFER instead of TWRC_SUCCESS
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

#include "pattern.h"
#include "twain.h"

namespace {

std::string WindowsFile(const char* name)
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

std::string Text(const char* key, const char* fallback)
{
    char value[512];
    GetPrivateProfileStringA("Fake", key, fallback, value, sizeof value, WindowsFile("fakesource.ini").c_str());
    return value;
}

int Number(const char* key, int fallback)
{
    return static_cast<int>(GetPrivateProfileIntA("Fake", key, fallback, WindowsFile("fakesource.ini").c_str()));
}

bool Listed(const char* key, const std::string& name)
{
    const std::string list = "," + Text(key, "") + ",";
    return list.find("," + name + ",") != std::string::npos;
}

void Log(const std::string& line)
{
    if (FILE* file = std::fopen(WindowsFile("fakesource.log").c_str(), "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

std::vector<std::string> Products()
{
    std::vector<std::string> names;
    std::string list = Text("Products", "Fake Scanner") + ",";
    for (size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
        if (comma > start)
            names.push_back(list.substr(start, comma - start));
    }
    return names;
}

struct Shape {
    int width, height, bits, pixelType;
};

Shape Announced()
{
    return {Number("Width", 64), Number("Height", 48), Number("Bits", 8), Number("PixelType", TWPT_GRAY)};
}

Shape Delivered()
{
    const Shape a = Announced();
    Shape d{Number("DeliverWidth", a.width), Number("DeliverHeight", a.height), Number("DeliverBits", a.bits),
            a.pixelType};
    if (d.bits != a.bits)
        d.pixelType = d.bits == 24 ? TWPT_RGB : d.bits == 1 ? TWPT_BW : TWPT_GRAY;
    return d;
}

size_t RowBytes(const Shape& s)
{
    return (static_cast<size_t>(s.width) * s.bits + 7) / 8;
}

// One row top-down in TWAIN order (RGB) or BMP order (BGR).
void FillRow(const Shape& s, int y, uint8_t* row, bool bgr)
{
    std::memset(row, 0, RowBytes(s));
    for (int x = 0; x < s.width; ++x) {
        if (s.bits == 24) {
            const PatternColour c = PatternAt(24, s.pixelType, x, y);
            row[x * 3] = bgr ? c.b : c.r;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = bgr ? c.r : c.b;
            continue;
        }
        const unsigned value = PatternValue(s.bits, x, y);
        const int bit = x * s.bits;
        row[bit / 8] |= static_cast<uint8_t>(value << (8 - s.bits - bit % 8));
    }
}

// A packed DIB of the delivered image: header, colour table, bottom-up rows.
std::vector<uint8_t> BuildDib(const Shape& s)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = s.width;
    header.biHeight = s.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(s.bits);
    header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4;
    header.biSizeImage = static_cast<DWORD>(stride * s.height);
    std::vector<RGBQUAD> table;
    if (s.bits <= 8) {
        for (unsigned i = 0; i < (1u << s.bits); ++i) {
            PatternColour c = s.pixelType == TWPT_PALETTE ? PaletteColour(i) : PatternColour{};
            if (s.pixelType != TWPT_PALETTE) {
                const uint8_t level = static_cast<uint8_t>(i * 255 / ((1u << s.bits) - 1));
                c = {level, level, level};
            }
            table.push_back({c.b, c.g, c.r, 0});
        }
    }
    header.biClrUsed = static_cast<DWORD>(table.size());
    std::vector<uint8_t> dib(sizeof header + table.size() * sizeof(RGBQUAD) + header.biSizeImage);
    std::memcpy(dib.data(), &header, sizeof header);
    std::memcpy(dib.data() + sizeof header, table.data(), table.size() * sizeof(RGBQUAD));
    uint8_t* pixels = dib.data() + sizeof header + table.size() * sizeof(RGBQUAD);
    for (int y = 0; y < s.height; ++y)
        FillRow(s, y, pixels + (s.height - 1 - y) * stride, true);
    return dib;
}

TW_IDENTITY self;
TW_IDENTITY app;
TW_UINT16 condition;
int detected;        // products reported so far by MSG_GET
int remaining;       // images pending
int nextRow;         // memory transfer progress
std::string fileName = "FAKE.BMP";

TW_UINT16 Failure(const char* what)
{
    Log(std::string(what) + " fails");
    condition = TWCC_BUMMER;
    return TWRC_FAILURE;
}

void Notify(TW_UINT16 message)
{
    HMODULE manager = GetModuleHandleA("twain_32.dll");
    auto entry = manager ? reinterpret_cast<DSMENTRYPROC>(
                               reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")))
                         : nullptr;
    if (entry)
        entry(&self, &app, DG_CONTROL, DAT_NULL, message, nullptr);
}

std::string Fix32Text(TW_UINT32 item)
{
    char text[32];
    const TW_INT16 whole = static_cast<TW_INT16>(item & 0xFFFF);
    std::snprintf(text, sizeof text, "%.5f", whole + (item >> 16) / 65536.0);
    return text;
}

std::string Fix32Text(const TW_FIX32& fix)
{
    return Fix32Text(static_cast<TW_UINT16>(fix.Whole) | (static_cast<TW_UINT32>(fix.Frac) << 16));
}

TW_UINT16 Identity(pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY data)
{
    switch (msg) {
    case MSG_GET: {
        const auto names = Products();
        const std::string name = names.empty() ? "" : names[detected++ % names.size()];
        const TW_UINT32 id = data->Id;
        *data = {};
        data->Id = id;
        data->Version.MajorNum = 1;
        data->ProtocolMajor = 1;
        data->ProtocolMinor = 9;
        data->SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::strcpy(data->Manufacturer, "Fake");
        std::strcpy(data->ProductFamily, "Fake");
        std::strncpy(data->ProductName, name.c_str(), sizeof(TW_STR32) - 1);
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS:
        Log(std::string("OPENDS ") + data->ProductName + " by " + origin->ProductName);
        if (Listed("Fail", "OPENDS"))
            return Failure("OPENDS");
        app = *origin;
        self = *data;
        return TWRC_SUCCESS;
    case MSG_CLOSEDS:
        Log("CLOSEDS");
        return Listed("Fail", "CLOSEDS") ? Failure("CLOSEDS") : TWRC_SUCCESS;
    default:
        condition = TWCC_BADPROTOCOL;
        return TWRC_FAILURE;
    }
}

TW_UINT16 Capability(TW_UINT16 msg, pTW_CAPABILITY cap)
{
    if (msg != MSG_SET)
        return TWRC_SUCCESS;
    std::string line;
    char capName[16];
    std::snprintf(capName, sizeof capName, "CAP_%04X", cap->Cap);
    auto* value = cap->hContainer ? static_cast<pTW_ONEVALUE>(GlobalLock(cap->hContainer)) : nullptr;
    if (value) {
        const std::string item = value->ItemType == TWTY_FIX32
                                     ? Fix32Text(value->Item)
                                     : value->ItemType == TWTY_INT16
                                           ? std::to_string(static_cast<TW_INT16>(value->Item & 0xFFFF))
                                           : std::to_string(value->Item & 0xFFFF);
        line = "SET " + std::string(capName) + " type " + std::to_string(value->ItemType) + " = " + item;
        GlobalUnlock(cap->hContainer);
    } else {
        line = "SET " + std::string(capName) + " without container";
    }
    Log(line);
    if (Listed("Fail", "CAPABILITY") || Listed("Fail", capName))
        return Failure(capName);
    return TWRC_SUCCESS;
}

TW_UINT16 UserInterface(TW_UINT16 msg, pTW_USERINTERFACE ui)
{
    if (msg == MSG_DISABLEDS) {
        Log("DISABLEDS");
        return Listed("Fail", "DISABLEDS") ? Failure("DISABLEDS") : TWRC_SUCCESS;
    }
    if (msg != MSG_ENABLEDS) {
        condition = TWCC_BADPROTOCOL;
        return TWRC_FAILURE;
    }
    Log("ENABLEDS ShowUI=" + std::to_string(ui->ShowUI));
    if (Listed("Fail", "ENABLEDS"))
        return Failure("ENABLEDS");
    remaining = Number("Images", 1);
    const std::string notify = Text("Notify", "xferready");
    if (notify == "xferready")
        Notify(MSG_XFERREADY);
    else if (notify == "closereq")
        Notify(MSG_CLOSEDSREQ);
    std::string box = Text("BoxInEnable", "");
    if (!box.empty()) {
        for (char& c : box)
            c = c == '|' ? '\n' : c;
        MessageBoxA(static_cast<HWND>(ui->hParent), box.c_str(), "Fake", MB_OK);
    }
    Log("ENABLEDS returns");
    return TWRC_SUCCESS;
}

TW_UINT16 ImageInfo(pTW_IMAGEINFO info)
{
    Log("IMAGEINFO");
    if (Listed("Fail", "IMAGEINFO"))
        return Failure("IMAGEINFO");
    const Shape s = Announced();
    *info = {};
    info->XResolution.Whole = info->YResolution.Whole = 100;
    info->ImageWidth = s.width;
    info->ImageLength = s.height;
    info->SamplesPerPixel = s.bits == 24 ? 3 : 1;
    for (int i = 0; i < info->SamplesPerPixel; ++i)
        info->BitsPerSample[i] = static_cast<TW_INT16>(s.bits == 24 ? 8 : s.bits);
    info->BitsPerPixel = static_cast<TW_INT16>(s.bits);
    info->PixelType = static_cast<TW_INT16>(s.pixelType);
    info->Compression = TWCP_NONE;
    nextRow = 0;
    return TWRC_SUCCESS;
}

TW_UINT16 NativeTransfer(TW_MEMREF data)
{
    Log("NATIVEXFER");
    if (Listed("Fail", "NATIVEXFER"))
        return Failure("NATIVEXFER");
    if (Listed("Cancel", "NATIVEXFER"))
        return TWRC_CANCEL;
    auto* slot = static_cast<TW_HANDLE*>(data);
    if (Number("NullHandle", 0)) {
        *slot = nullptr;
        return TWRC_XFERDONE;
    }
    const std::vector<uint8_t> dib = BuildDib(Delivered());
    HGLOBAL handle = GlobalAlloc(GHND, dib.size());
    if (void* memory = handle ? GlobalLock(handle) : nullptr) {
        std::memcpy(memory, dib.data(), dib.size());
        GlobalUnlock(handle);
    }
    *slot = handle;
    return TWRC_XFERDONE;
}

TW_UINT16 SetupMemory(pTW_SETUPMEMXFER setup)
{
    Log("SETUPMEMXFER");
    if (Listed("Fail", "SETUPMEMXFER"))
        return Failure("SETUPMEMXFER");
    const TW_UINT32 strip = static_cast<TW_UINT32>(RowBytes(Delivered()) * Number("StripRows", 7));
    const bool zero = Number("ZeroBuffer", 0) != 0;
    setup->MinBufSize = zero ? 0 : static_cast<TW_UINT32>(RowBytes(Delivered()));
    setup->MaxBufSize = setup->Preferred = zero ? 0 : strip;
    return TWRC_SUCCESS;
}

TW_UINT16 MemoryTransfer(pTW_IMAGEMEMXFER strip)
{
    if (Listed("Fail", "MEMXFER"))
        return Failure("MEMXFER");
    if (Listed("Cancel", "MEMXFER"))
        return TWRC_CANCEL;
    const Shape s = Delivered();
    const size_t rowBytes = RowBytes(s);
    const int fit = static_cast<int>(strip->Memory.Length / rowBytes);
    const int rows = std::min(fit, s.height - nextRow);
    Log("MEMXFER rows " + std::to_string(rows));
    auto* buffer = static_cast<uint8_t*>(strip->Memory.TheMem);
    for (int r = 0; r < rows; ++r)
        FillRow(s, nextRow + r, buffer + r * rowBytes, false);
    strip->Compression = TWCP_NONE;
    strip->BytesPerRow = static_cast<TW_UINT32>(rowBytes);
    strip->Rows = rows;
    strip->XOffset = 0;
    strip->BytesWritten = static_cast<TW_UINT32>(rows * rowBytes);
    if (!Number("OmitOffsets", 0)) {
        strip->Columns = s.width;
        strip->YOffset = nextRow;
    }
    nextRow += rows;
    return nextRow >= s.height ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 SetupFile(TW_UINT16 msg, pTW_SETUPFILEXFER setup)
{
    Log("SETUPFILEXFER " + std::string(msg == MSG_SET ? setup->FileName : "get"));
    if (Listed("Fail", "SETUPFILEXFER"))
        return Failure("SETUPFILEXFER");
    if (msg == MSG_SET)
        fileName = setup->FileName;
    return TWRC_SUCCESS;
}

TW_UINT16 FileTransfer()
{
    Log("FILEXFER");
    if (Listed("Fail", "FILEXFER"))
        return Failure("FILEXFER");
    if (Listed("Cancel", "FILEXFER"))
        return TWRC_CANCEL;
    const std::vector<uint8_t> dib = BuildDib(Delivered());
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfSize = static_cast<DWORD>(sizeof header + dib.size());
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib.data(), sizeof info);
    header.bfOffBits = static_cast<DWORD>(sizeof header + sizeof info + info.biClrUsed * sizeof(RGBQUAD));
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file)
        return Failure("FILEXFER (cannot write)");
    std::fwrite(&header, sizeof header, 1, file);
    std::fwrite(dib.data(), 1, dib.size(), file);
    std::fclose(file);
    return TWRC_XFERDONE;
}

TW_UINT16 Palette(pTW_PALETTE8 palette)
{
    Log("PALETTE8");
    if (Listed("Fail", "PALETTE8"))
        return Failure("PALETTE8");
    palette->NumColors = 256;
    palette->PaletteType = TWPA_RGB;
    for (int i = 0; i < 256; ++i) {
        const PatternColour c = PaletteColour(i);
        palette->Colors[i] = {static_cast<TW_UINT8>(i), c.r, c.g, c.b};
    }
    return TWRC_SUCCESS;
}

TW_UINT16 PendingTransfers(TW_UINT16 msg, pTW_PENDINGXFERS pending)
{
    if (msg == MSG_ENDXFER) {
        if (remaining > 0)
            --remaining;
        pending->Count = static_cast<TW_UINT16>(remaining);
        Log("ENDXFER -> " + std::to_string(remaining));
        if (Listed("Fail", "ENDXFER"))
            return Failure("ENDXFER");
        nextRow = 0;
        return static_cast<TW_UINT16>(Number("EndXferResult", TWRC_SUCCESS));
    }
    if (msg == MSG_RESET) {
        Log("RESET");
        remaining = 0;
        pending->Count = 0;
        return TWRC_SUCCESS;
    }
    pending->Count = static_cast<TW_UINT16>(remaining);
    return TWRC_SUCCESS;
}

} // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                     TW_MEMREF data)
{
    if (dg == DG_CONTROL && dat == DAT_EVENT) {
        static_cast<pTW_EVENT>(data)->TWMessage = MSG_NULL;
        return TWRC_NOTDSEVENT;
    }
    if (dg == DG_CONTROL && dat == DAT_STATUS) {
        auto* status = static_cast<pTW_STATUS>(data);
        status->ConditionCode = condition;
        status->Reserved = 0;
        condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    condition = TWCC_SUCCESS;
    if (dg == DG_CONTROL) {
        switch (dat) {
        case DAT_IDENTITY:
            return Identity(origin, msg, static_cast<pTW_IDENTITY>(data));
        case DAT_CAPABILITY:
            return Capability(msg, static_cast<pTW_CAPABILITY>(data));
        case DAT_USERINTERFACE:
            return UserInterface(msg, static_cast<pTW_USERINTERFACE>(data));
        case DAT_SETUPMEMXFER:
            return SetupMemory(static_cast<pTW_SETUPMEMXFER>(data));
        case DAT_SETUPFILEXFER:
            return SetupFile(msg, static_cast<pTW_SETUPFILEXFER>(data));
        case DAT_PENDINGXFERS:
            return PendingTransfers(msg, static_cast<pTW_PENDINGXFERS>(data));
        }
    } else if (dg == DG_IMAGE) {
        switch (dat) {
        case DAT_IMAGEINFO:
            return ImageInfo(static_cast<pTW_IMAGEINFO>(data));
        case DAT_IMAGELAYOUT: {
            const TW_FRAME& f = static_cast<pTW_IMAGELAYOUT>(data)->Frame;
            Log("LAYOUT " + Fix32Text(f.Left) + " " + Fix32Text(f.Top) + " " + Fix32Text(f.Right) + " " +
                Fix32Text(f.Bottom));
            return Listed("Fail", "IMAGELAYOUT") ? Failure("IMAGELAYOUT") : TWRC_SUCCESS;
        }
        case DAT_IMAGENATIVEXFER:
            return NativeTransfer(data);
        case DAT_IMAGEMEMXFER:
            return MemoryTransfer(static_cast<pTW_IMAGEMEMXFER>(data));
        case DAT_IMAGEFILEXFER:
            return FileTransfer();
        case DAT_PALETTE8:
            return Palette(static_cast<pTW_PALETTE8>(data));
        }
    }
    condition = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}
