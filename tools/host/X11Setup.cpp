#include "tools/host/TavikHost.h"

#include <X11/Xlib.h>

namespace
{
// The editor runs under Xvfb and a window manager may be missing: a failed request
// there must not abort the process through Xlib's default handler.
int ignoreXError (Display*, XErrorEvent*)
{
    return 0;
}
} // namespace

void tavik::host::initialiseX11()
{
    XInitThreads();
    XSetErrorHandler (ignoreXError);
}
