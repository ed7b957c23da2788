// The triplets around the image transfers: buffer sizes, the transfer file,
// the transfer group, the palette, and the end of a transfer with its page
// logic.
#include <cstring>

#include "driver.h"
#include "entry.h"
#include "errors.h"
#include "scanjob.h"
#include "state.h"
#include "system.h"

namespace {

constexpr const char* kPendingText = "General failure in response to DAT_PENDINGXFER.  ";
constexpr const char* kSetupMemoryText = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
constexpr const char* kSetupFileText = "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
constexpr const char* kTransferGroupText = "General failure in response to DAT_XFERGROUP, not supported.  ";

constexpr const char* kDefaultFileName = "KMDIB.BMP";
// How much of the application's file name is kept.
constexpr size_t kFileNameCopy = 254;

// Line sizes that stand for a job not yet derived.
constexpr DWORD kUnderivedBytesPerLine = 316;
constexpr DWORD kUnderivedLines = 3300;

// Strip sizes by platform: up to 1 MiB on NT with at least 64 KiB, 32 KiB
// elsewhere, always whole lines.
constexpr DWORD kNTBufferLimit = 1048576;
constexpr DWORD kNTMinimumLimit = 65535;
constexpr DWORD kOtherBufferLimit = 32767;

// "Pending transfers" answer when the feeder could not be asked for paper:
// not a TWAIN return code, kept for the applications that expect it.
constexpr TW_UINT16 kFeederQueryFailed = 0xFFFF;

// Scanner types with a sheet feeder.
constexpr WORD kFeederTypes = 0x40 | 0xA0;

bool InSetupStates()
{
    return sourceState >= kStateOpen && sourceState <= kStateXferReady;
}

bool IsGetMessage(TW_UINT16 msg)
{
    return msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT;
}

bool MoreTransfers()
{
    if (sourceState == kStateEnabled)
        return false;
    const bool feederHasPaper =
        (scannerAbility.scannerType & kFeederTypes) && paperPresent && settings.scanMethod == 1;
    const bool flatbedPageLeft =
        settings.scanMethod >= 2 && static_cast<long long>(settings.scanPage) <= pageCount;
    return feederHasPaper || flatbedPageLeft;
}

TW_UINT16 EndTransfer(pTW_PENDINGXFERS pending)
{
    if (sourceState < kStateEnabled || sourceState > kStateTransferring)
        return FailTriplet(TWCC_SEQERROR, kPendingText);

    settings.scanPage += 1;
    jobInfo.transferActive = 0;

    if (settings.scanMethod == 1 && driver.getADFPaper) {
        if (driver.getADFPaper(&paperPresent) == 0)
            return kFeederQueryFailed;
    }

    if (settings.scanMethod != 1 && IsApp("Picture It!")) {
        sourceState = kStateEnabled;
        pending->Count = 0;
        return TWRC_FAILURE;
    }

    if (!MoreTransfers()) {
        sourceState = kStateEnabled;
        pending->Count = 0;
        return TWRC_SUCCESS;
    }

    sourceState = kStateXferReady;
    // These applications go on to the next page without asking for its
    // image info, which is where the job is otherwise derived.
    if (IsApp("Wang Laboratories, Inc.") || AppBegins("Watermark"))
        DeriveJob(xferMechCurrent);

    if (transferCount == -1) {
        pending->Count = static_cast<TW_UINT16>(-1);
    } else if (transferCount > 0) {
        --transferCount;
        pending->Count = static_cast<TW_UINT16>(transferCount);
    } else {
        pending->Count = 0;
    }
    return TWRC_SUCCESS;
}

void FillBufferSizes(pTW_SETUPMEMXFER setup)
{
    jobInfo.transferActive = 0;
    if (jobInfo.scanBytesPerLine == 0 || jobInfo.outputBytesPerLine == 0)
        jobInfo.scanBytesPerLine = jobInfo.outputBytesPerLine = kUnderivedBytesPerLine;
    if (jobInfo.scanLines == 0 || jobInfo.outputLines == 0)
        jobInfo.scanLines = jobInfo.outputLines = kUnderivedLines;

    const DWORD b = jobInfo.outputBytesPerLine;
    const DWORD n = jobInfo.outputLines;
    if (IsWindowsNT()) {
        const DWORD q = kNTBufferLimit / b;
        setup->MaxBufSize = setup->Preferred = q > n ? n * b : q * b;
        setup->MinBufSize = kNTMinimumLimit / b * b;
    } else {
        const DWORD q = kOtherBufferLimit / b;
        setup->MinBufSize = setup->MaxBufSize = setup->Preferred = q > n ? n * b : q * b;
    }
}

} // namespace

TW_UINT16 PendingTransfersHandler(TripletCall* call)
{
    auto* pending = static_cast<pTW_PENDINGXFERS>(call->data);
    switch (call->msg) {
    case MSG_GET:
        if (sourceState < kStateOpen || sourceState > kStateTransferring)
            return FailTriplet(TWCC_SEQERROR, kPendingText);
        pending->Count = 0;
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
    case MSG_RESET:
        return EndTransfer(pending);
    default:
        return FailTriplet(TWCC_BADPROTOCOL, kPendingText);
    }
}

TW_UINT16 SetupMemoryHandler(TripletCall* call)
{
    if (!InSetupStates())
        return FailTriplet(TWCC_SEQERROR, kSetupMemoryText);
    if (IsGetMessage(call->msg)) {
        FillBufferSizes(static_cast<pTW_SETUPMEMXFER>(call->data));
        return TWRC_SUCCESS;
    }
    if (call->msg == MSG_SET || call->msg == MSG_RESET)
        return TWRC_SUCCESS;
    return FailTriplet(TWCC_BADPROTOCOL, kSetupMemoryText);
}

TW_UINT16 SetupFileHandler(TripletCall* call)
{
    if (!InSetupStates())
        return FailTriplet(TWCC_SEQERROR, kSetupFileText);
    auto* setup = static_cast<pTW_SETUPFILEXFER>(call->data);
    if (IsGetMessage(call->msg)) {
        // The answer is always the default name, even after a set.
        std::memset(setup->FileName, 0, sizeof setup->FileName);
        std::memcpy(setup->FileName, kDefaultFileName, std::strlen(kDefaultFileName));
        setup->Format = TWFF_BMP;
        return TWRC_SUCCESS;
    }
    if (call->msg == MSG_SET || call->msg == MSG_RESET) {
        // The application's name need not be terminated within its buffer.
        size_t length = 0;
        while (length < kFileNameCopy && setup->FileName[length])
            ++length;
        std::memcpy(transferFileName, setup->FileName, length);
        transferFileName[length] = '\0';
        return TWRC_SUCCESS;
    }
    return FailTriplet(TWCC_BADPROTOCOL, kSetupFileText);
}

TW_UINT16 TransferGroupHandler(TripletCall* call)
{
    if (!InSetupStates())
        return FailTriplet(TWCC_SEQERROR, kTransferGroupText);
    switch (call->msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET:
        *static_cast<TW_UINT32*>(call->data) = DG_IMAGE;
        return TWRC_SUCCESS;
    case MSG_SET:
        return TWRC_SUCCESS;
    default:
        return FailTriplet(TWCC_BADPROTOCOL, kTransferGroupText);
    }
}

TW_UINT16 Palette8Handler(TripletCall* call)
{
    if (!InSetupStates())
        return Refuse(TWCC_SEQERROR);
    switch (call->msg) {
    case MSG_GET: {
        // A 3-3-2 colour cube whose levels sit at the top of each band.
        auto* palette = static_cast<pTW_PALETTE8>(call->data);
        palette->NumColors = 256;
        palette->PaletteType = TWPA_RGB;
        for (int i = 0; i < 256; ++i) {
            TW_ELEMENT8& entry = palette->Colors[i];
            entry.Index = static_cast<TW_UINT8>(i);
            entry.Channel1 = static_cast<TW_UINT8>(32 * (i % 8) + 31);
            entry.Channel2 = static_cast<TW_UINT8>(32 * ((i / 8) % 8) + 31);
            entry.Channel3 = static_cast<TW_UINT8>(64 * (i / 64) + 63);
        }
        return TWRC_SUCCESS;
    }
    case MSG_GETDEFAULT:
    case MSG_SET:
    case MSG_RESET:
        return TWRC_SUCCESS;
    default:
        return Refuse(TWCC_BADPROTOCOL);
    }
}
