#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>
#include <juce_graphics/juce_graphics.h>

#include <atomic>
#include <cmath>

/** A spectrum analyser on a thread of its own.

    The audio thread hands blocks to addAudioData(), which sums their channels into a
    lock-free single-producer single-consumer FIFO and wakes the thread. The thread
    cuts the stream into 4096-sample frames with 50 % overlap, applies a normalised
    Hann window, transforms, and keeps the mean magnitude of the last four frames.
    A full-scale sine at a bin centre reads 1.0 in its bin.
*/
template <typename Type>
class Analyser final : public juce::Thread,
                       private juce::Thread::Listener
{
public:
    static constexpr int fftOrder = 12;
    static constexpr int fftSize = 1 << fftOrder;
    static constexpr int numBins = fftSize / 2;
    static constexpr int hopSize = fftSize / 2;
    static constexpr int historyDepth = 4;
    static constexpr int initialFifoCapacity = 48000;
    static constexpr int waitTimeoutMs = 100;
    static constexpr float ln2 = 0.693147182f; // nearest float to ln 2

    Analyser() : juce::Thread ("Tavik-Analyser")
    {
        for (int i = 0; i < fftSize; ++i)
        {
            const float angle = static_cast<float> (2 * i) * juce::MathConstants<float>::pi / static_cast<float> (fftSize - 1);
            window[i] = static_cast<Type> (0.5 - 0.5 * static_cast<double> (std::cos (angle)));
        }

        Type sum = 0;
        for (const auto w : window)
            sum += w;
        juce::FloatVectorOperations::multiply (window, static_cast<Type> (fftSize) / sum, fftSize);

        spectrumHistory.clear();
        addListener (this);
    }

    ~Analyser() override
    {
        removeListener (this);
    }

    /** Sizes the FIFO for fifoSize samples and (re)starts the thread. A running thread
        is stopped first, so that a second preparation never races the reader. */
    void setupAnalyser (int fifoSize, float newSampleRate)
    {
        stopThread (1000);

        sampleRate.store (newSampleRate);
        fifoSize = juce::jmax (1, fifoSize);

        if (fifoBuffer.getNumChannels() != 1 || fifoBuffer.getNumSamples() != fifoSize)
            fifoBuffer.setSize (1, fifoSize, false, false, false);

        fifo.setTotalSize (fifoSize);

        startThread (juce::Thread::Priority::normal);
    }

    /** Audio thread: copies the block, its channels startChannel to
        startChannel + numChannels − 1 summed into one, into the FIFO and signals the
        thread. A block that does not fit, or that arrives before the FIFO has storage,
        is dropped whole. Never waits and never allocates. */
    void addAudioData (const juce::AudioBuffer<Type>& buffer, int startChannel, int numChannels)
    {
        if (fifoBuffer.getNumChannels() == 0)
            return;

        const int numSamples = buffer.getNumSamples();

        if (fifo.getFreeSpace() < numSamples)
            return;

        int start1, size1, start2, size2;
        fifo.prepareToWrite (numSamples, start1, size1, start2, size2);
        Type* storage = fifoBuffer.getWritePointer (0);

        juce::FloatVectorOperations::copy (storage + start1, buffer.getReadPointer (startChannel), size1);
        juce::FloatVectorOperations::copy (storage + start2, buffer.getReadPointer (startChannel) + size1, size2);

        for (int channel = startChannel + 1; channel < startChannel + numChannels; ++channel)
        {
            juce::FloatVectorOperations::add (storage + start1, buffer.getReadPointer (channel), size1);
            juce::FloatVectorOperations::add (storage + start2, buffer.getReadPointer (channel) + size1, size2);
        }

        fifo.finishedWrite (size1 + size2);
        newAudioEvent.signal();
    }

    /** The FIFO's bookkeeping, for inspection. */
    const juce::AbstractFifo& getFifo() const noexcept { return fifo; }

    /** True once for every update of the average since the last call. */
    bool checkForNewSpectrum()
    {
        const bool raised = newSpectrum.load();
        newSpectrum.store (false);
        return raised;
    }

    /** Replaces the contents of path with the averaged spectrum drawn in bounds:
        ten octaves from lowestFrequency across the width, −80 dB at the bottom edge
        and 0 dB at the top edge. Message thread only. */
    void createPath (juce::Path& path, juce::Rectangle<float> bounds, float lowestFrequency)
    {
        path.clear();
        path.preallocateSpace (8 + 3 * numBins);

        const juce::ScopedLock lock (spectrumLock);
        const Type* average = spectrumHistory.getReadPointer (0);

        path.startNewSubPath (binToX (0, bounds, lowestFrequency), levelToY (average[0], bounds));
        for (int i = 0; i < numBins; ++i)
            path.lineTo (binToX (i, bounds, lowestFrequency), levelToY (average[i], bounds));
    }

    /** x of bin `bin`: ten octaves from lowestFrequency across the bounds' width. */
    float binToX (int bin, juce::Rectangle<float> bounds, float lowestFrequency) const
    {
        const float frequency = static_cast<float> (bin) * sampleRate.load() / static_cast<float> (fftSize);
        const float octaves = frequency > 0.01f ? std::log (frequency / lowestFrequency) / ln2 : 0.0f;
        return bounds.getX() + (bounds.getWidth() / 10.0f) * octaves;
    }

    /** y of a magnitude: 0 dB on the top edge, −80 dB (and zero, negative or NaN
        magnitudes) on the bottom edge. */
    static float levelToY (Type level, juce::Rectangle<float> bounds)
    {
        const float decibels = level > 0 ? juce::jmax (20.0f * std::log10 (static_cast<float> (level)), -80.0f) : -80.0f;
        return bounds.getBottom() + ((decibels + 80.0f) * (bounds.getY() - bounds.getBottom())) / 80.0f;
    }

    /** Analyses one frame: takes 4096 samples from the FIFO (advancing by 2048),
        windows and transforms them, and updates the average. The thread calls it
        whenever a frame is ready; it is public so that its cost can be measured
        without the thread. Needs at least 4096 samples ready. */
    void analyseFrame()
    {
        Type* frame = frameBuffer.getWritePointer (0);
        juce::FloatVectorOperations::clear (frame, 2 * fftSize);

        int start1, size1, start2, size2;
        fifo.prepareToRead (fftSize, start1, size1, start2, size2);
        const Type* storage = fifoBuffer.getReadPointer (0);
        juce::FloatVectorOperations::copy (frame, storage + start1, size1);
        juce::FloatVectorOperations::copy (frame + size1, storage + start2, size2);
        // Advance by half of what was read: the second half is the next frame's first.
        fifo.finishedRead (hopSize);

        juce::FloatVectorOperations::multiply (frame, window, fftSize);
        fft.performRealOnlyForwardTransform (frame, false);

        // In place: bin k's pair sits at 2k and 2k + 1, never below k.
        for (int k = 0; k < fftSize; ++k)
            frame[k] = std::hypot (frame[2 * k], frame[2 * k + 1]);
        juce::FloatVectorOperations::clear (frame + fftSize, fftSize);

        const juce::ScopedLock lock (spectrumLock);
        Type* sum = spectrumHistory.getWritePointer (0);
        Type* oldest = spectrumHistory.getWritePointer (historyIndex);
        juce::FloatVectorOperations::subtract (sum, oldest, numBins);
        juce::FloatVectorOperations::multiply (oldest, frame, static_cast<Type> (1) / static_cast<Type> (numBins * historyDepth), numBins);
        juce::FloatVectorOperations::add (sum, oldest, numBins);
        historyIndex = historyIndex == historyDepth ? 1 : historyIndex + 1;
        newSpectrum.store (true);
    }

private:
    // Wakes the thread from its wait, so that stopping takes no longer than one frame:
    // a host closing a session with many instances must not wait 100 ms for each.
    void exitSignalSent() override
    {
        newAudioEvent.signal();
    }

    void run() override
    {
        while (! threadShouldExit())
        {
            if (fifo.getNumReady() >= fftSize)
                analyseFrame();

            if (fifo.getNumReady() < fftSize)
                newAudioEvent.wait (waitTimeoutMs);
        }
    }

    juce::WaitableEvent newAudioEvent;
    juce::CriticalSection spectrumLock;
    // Written when preparing, read when drawing, possibly on two threads.
    std::atomic<float> sampleRate { 0.0f };
    juce::dsp::FFT fft { fftOrder };
    Type window[fftSize];
    juce::AudioBuffer<Type> frameBuffer { 1, 2 * fftSize };
    juce::AudioBuffer<Type> spectrumHistory { historyDepth + 1, numBins };
    int historyIndex = 1;
    juce::AbstractFifo fifo { initialFifoCapacity };
    juce::AudioBuffer<Type> fifoBuffer;
    std::atomic<bool> newSpectrum { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Analyser)
};
