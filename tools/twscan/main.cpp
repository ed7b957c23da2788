// twscan: the project's TWAIN application. It talks to the source manager
// TWAIN_32.DLL only, as any TWAIN 1.x application would.
#include "acquire.h"
#include "dismiss.h"
#include "guard.h"
#include "options.h"
#include "output.h"
#include "session.h"

int main(int argc, char** argv)
{
    InitOutput();
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        PrintError(error);
        PrintRawError(UsageText());
        return 1;
    }
    if (options.dismiss)
        StartDismisser();
    StartGuard(options.timeout);
    if (!options.log.empty() && !OpenTripletLog(options.log))
        return 1;
    if (!LoadSourceManager())
        return 1;
    return options.list ? ListSources(options) : Acquire(options);
}
