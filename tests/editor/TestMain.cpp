#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include <X11/Xlib.h>

namespace
{
// Without a window manager some of the framework's window requests fail; Xlib's
// default handler would end the process for them.
int ignoreXError (Display*, XErrorEvent*)
{
    return 0;
}
} // namespace

// Components, timers and the about window's modal loop need the message manager:
// one framework initialiser for the whole run, on the main thread.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    XInitThreads();
    XSetErrorHandler (ignoreXError);
    juce::ScopedJuceInitialiser_GUI framework;
    return RUN_ALL_TESTS();
}
