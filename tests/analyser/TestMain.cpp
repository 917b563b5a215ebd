#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// The parameter tree flushes values to its state from a timer, which needs the
// message manager: one framework initialiser for the whole run, on the main thread.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI framework;
    return RUN_ALL_TESTS();
}
