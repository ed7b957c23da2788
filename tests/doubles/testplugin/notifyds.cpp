// notifyds.dll: stands in for the data source's two notification exports,
// so that a test can point [DS] "DSNAME" at it and see the test plug-in find
// them by name. Each call appends its name to testplugin.log.
#include <windows.h>

#include "doublelog.h"
#include "testplugin.h"

extern "C" int WINAPI NotifyXferReady()
{
    AppendDoubleLog(kTestPluginLog, "NotifyXferReady");
    return 1;
}

extern "C" int WINAPI NotifyCloseDSReq()
{
    AppendDoubleLog(kTestPluginLog, "NotifyCloseDSReq");
    return 1;
}
