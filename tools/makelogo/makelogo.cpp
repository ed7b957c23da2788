// Writes the product's logo, a 24-bit BMP, to the path given as the only
// argument; the install script lays it down as kmlogo.km.
// Usage: makelogo PATH   (exit status 0 when written)
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 96;
constexpr int kBandHeight = 22;
constexpr COLORREF kBandColour = RGB(0, 102, 153);
constexpr COLORREF kTextColour = RGB(16, 32, 80);
constexpr COLORREF kBackground = RGB(255, 255, 255);

// Deletes a GDI object on every exit.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject()
    {
        if (object_)
            DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// Draws the logo into a DIB section's pixels (bottom-up BGR rows).
bool DrawLogo(const BITMAPINFO& info, void** bits, HBITMAP* result)
{
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (!bitmap || !*bits)
        return false;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        DeleteObject(bitmap);
        return false;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const RECT whole{0, 0, kWidth, kHeight};
    const RECT band{0, 0, kWidth, kBandHeight};
    const RECT underline{0, kHeight - 6, kWidth, kHeight};
    {
        GdiObject white(CreateSolidBrush(kBackground));
        GdiObject coloured(CreateSolidBrush(kBandColour));
        FillRect(dc, &whole, static_cast<HBRUSH>(white.get()));
        FillRect(dc, &band, static_cast<HBRUSH>(coloured.get()));
        FillRect(dc, &underline, static_cast<HBRUSH>(coloured.get()));
    }
    GdiObject font(CreateFontA(-52, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                               VARIABLE_PITCH | FF_SWISS, "Arial"));
    HGDIOBJ oldFont = SelectObject(dc, font.get() ? font.get() : GetStockObject(ANSI_VAR_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    RECT textArea{0, kBandHeight, kWidth, kHeight - 6};
    DrawTextA(dc, "Tovrin", -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    GdiFlush();
    *result = bitmap;
    return true;
}

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makelogo PATH\n");
        return 2;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const DWORD rowBytes = (kWidth * 3 + 3) & ~3u;
    const DWORD pixelBytes = rowBytes * kHeight;
    info.bmiHeader.biSizeImage = pixelBytes;
    info.bmiHeader.biXPelsPerMeter = info.bmiHeader.biYPelsPerMeter = 3780; // 96 dpi

    void* bits = nullptr;
    HBITMAP bitmap = nullptr;
    if (!DrawLogo(info, &bits, &bitmap)) {
        std::fprintf(stderr, "makelogo: cannot draw the logo\n");
        return 1;
    }
    GdiObject owned(bitmap);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + pixelBytes;
    HANDLE file = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "makelogo: cannot create %s (error %lu)\n", argv[1],
                     GetLastError());
        return 1;
    }
    const bool ok = WriteAll(file, &header, sizeof header) &&
                    WriteAll(file, &info.bmiHeader, sizeof info.bmiHeader) &&
                    WriteAll(file, bits, pixelBytes);
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(argv[1]);
        std::fprintf(stderr, "makelogo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
