#include "tools/host/TavikHost.h"

#include <gtest/gtest.h>

// The hosted plug-in and the framework need a message thread: the tests run on it.
int main (int argc, char** argv)
{
    tavik::host::initialiseX11();
    juce::ScopedJuceInitialiser_GUI framework;

    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
