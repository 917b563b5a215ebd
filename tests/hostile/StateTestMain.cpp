#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// The parameter tree's timer needs the framework's message manager.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI framework;
    return RUN_ALL_TESTS();
}
