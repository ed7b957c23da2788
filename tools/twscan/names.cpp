#include "names.h"

#include <cstdio>
#include <string_view>

namespace {

struct Name {
    TW_UINT32 value;
    std::string_view name;
};

#define NAME(x) {x, #x}

constexpr Name kGroups[] = {NAME(DG_CONTROL), NAME(DG_IMAGE), NAME(DG_AUDIO)};

constexpr Name kDataTypes[] = {
    NAME(DAT_NULL),         NAME(DAT_CAPABILITY),      NAME(DAT_EVENT),
    NAME(DAT_IDENTITY),     NAME(DAT_PARENT),          NAME(DAT_PENDINGXFERS),
    NAME(DAT_SETUPMEMXFER), NAME(DAT_SETUPFILEXFER),   NAME(DAT_STATUS),
    NAME(DAT_USERINTERFACE), NAME(DAT_XFERGROUP),      NAME(DAT_IMAGEINFO),
    NAME(DAT_IMAGELAYOUT),  NAME(DAT_IMAGEMEMXFER),    NAME(DAT_IMAGENATIVEXFER),
    NAME(DAT_IMAGEFILEXFER), NAME(DAT_CIECOLOR),       NAME(DAT_GRAYRESPONSE),
    NAME(DAT_RGBRESPONSE),  NAME(DAT_JPEGCOMPRESSION), NAME(DAT_PALETTE8),
};

constexpr Name kMessages[] = {
    NAME(MSG_NULL),        NAME(MSG_GET),        NAME(MSG_GETCURRENT), NAME(MSG_GETDEFAULT),
    NAME(MSG_GETFIRST),    NAME(MSG_GETNEXT),    NAME(MSG_SET),        NAME(MSG_RESET),
    NAME(MSG_QUERYSUPPORT), NAME(MSG_XFERREADY), NAME(MSG_CLOSEDSREQ), NAME(MSG_CLOSEDSOK),
    NAME(MSG_OPENDSM),     NAME(MSG_CLOSEDSM),   NAME(MSG_OPENDS),     NAME(MSG_CLOSEDS),
    NAME(MSG_USERSELECT),  NAME(MSG_DISABLEDS),  NAME(MSG_ENABLEDS),   NAME(MSG_ENABLEDSUIONLY),
    NAME(MSG_PROCESSEVENT), NAME(MSG_ENDXFER),
};

constexpr Name kReturnCodes[] = {
    NAME(TWRC_SUCCESS), NAME(TWRC_FAILURE),    NAME(TWRC_CHECKSTATUS), NAME(TWRC_CANCEL),
    NAME(TWRC_DSEVENT), NAME(TWRC_NOTDSEVENT), NAME(TWRC_XFERDONE),    NAME(TWRC_ENDOFLIST),
};

constexpr Name kConditionCodes[] = {
    NAME(TWCC_SUCCESS),        NAME(TWCC_BUMMER),         NAME(TWCC_LOWMEMORY),
    NAME(TWCC_NODS),           NAME(TWCC_MAXCONNECTIONS), NAME(TWCC_OPERATIONERROR),
    NAME(TWCC_BADCAP),         NAME(TWCC_BADPROTOCOL),    NAME(TWCC_BADVALUE),
    NAME(TWCC_SEQERROR),       NAME(TWCC_BADDEST),
};

constexpr Name kCapabilities[] = {
    NAME(CAP_XFERCOUNT), NAME(ICAP_PIXELTYPE),   NAME(ICAP_UNITS),
    NAME(ICAP_XFERMECH), NAME(ICAP_XRESOLUTION), NAME(ICAP_YRESOLUTION),
};

#undef NAME

template <size_t N>
std::string Lookup(const Name (&names)[N], TW_UINT32 value)
{
    for (const auto& entry : names) {
        if (entry.value == value)
            return std::string(entry.name);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04lX", static_cast<unsigned long>(value));
    return hex;
}

} // namespace

std::string GroupName(TW_UINT32 dg)
{
    return Lookup(kGroups, dg);
}

std::string DataTypeName(TW_UINT16 dat)
{
    return Lookup(kDataTypes, dat);
}

std::string MessageName(TW_UINT16 msg)
{
    return Lookup(kMessages, msg);
}

std::string ReturnCodeName(TW_UINT16 rc)
{
    return Lookup(kReturnCodes, rc);
}

std::string ConditionCodeName(TW_UINT16 cc)
{
    return Lookup(kConditionCodes, cc);
}

std::string CapabilityName(TW_UINT16 cap)
{
    return Lookup(kCapabilities, cap);
}

std::string TripletName(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg)
{
    return GroupName(dg) + " " + DataTypeName(dat) + " " + MessageName(msg);
}
