// The built bundle's editor in a real window on the X display, as a host shows it,
// while audio runs through the hosted instance. The editor and its about window
// belong to the plug-in's own copy of the framework, so the test sees them only as
// the X server does: it reads their pixels back from the server and clicks and
// types through the XTEST extension, from a thread of its own, since the about
// window's modal loop holds the message thread for as long as the window is open.

#include "tools/host/TavikHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
const juce::Point<int> editorOrigin (40, 40);

const juce::File& artefacts()
{
    static const juce::File folder (TAVIK_ARTEFACTS);
    return folder;
}

/** The pixels of a window as the X server shows them, child windows included. */
juce::Image capture (Display* display, Window window)
{
    XWindowAttributes attributes {};

    if (XGetWindowAttributes (display, window, &attributes) == 0 || attributes.map_state != IsViewable)
        return {};

    auto* pixels = XGetImage (display, window, 0, 0, (unsigned) attributes.width, (unsigned) attributes.height, AllPlanes, ZPixmap);

    if (pixels == nullptr)
        return {};

    const auto channel = [] (unsigned long pixel, unsigned long mask)
    {
        int shift = 0;

        while (mask != 0 && (mask & 1) == 0)
        {
            mask >>= 1;
            ++shift;
        }

        return (juce::uint8) (((pixel >> shift) & mask) * 255 / juce::jmax (1ul, mask));
    };

    juce::Image image (juce::Image::RGB, attributes.width, attributes.height, false);

    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
        {
            const auto pixel = XGetPixel (pixels, x, y);
            image.setPixelAt (x, y, juce::Colour (channel (pixel, pixels->red_mask),
                                                  channel (pixel, pixels->green_mask),
                                                  channel (pixel, pixels->blue_mask)));
        }

    XDestroyImage (pixels);
    return image;
}

bool save (const juce::Image& image, const juce::String& name)
{
    artefacts().createDirectory();
    const auto file = artefacts().getChildFile (name);
    file.deleteFile();
    juce::FileOutputStream stream (file);
    return stream.openedOk() && juce::PNGImageFormat().writeImageToStream (image, stream);
}

/** A top-level window called name, mapped on the screen; 0 when there is none. */
Window findMappedWindow (Display* display, const char* name)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;

    if (XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count) == 0)
        return 0;

    // The framework writes window titles as UTF-8, which XFetchName does not read.
    for (unsigned int i = 0; i < count && found == 0; ++i)
    {
        XTextProperty title {};
        XWindowAttributes attributes {};

        if (XGetWMName (display, children[i], &title) != 0 && title.value != nullptr)
        {
            if (juce::String::fromUTF8 ((const char*) title.value, (int) title.nitems) == name
                && XGetWindowAttributes (display, children[i], &attributes) != 0
                && attributes.map_state == IsViewable)
                found = children[i];

            XFree (title.value);
        }
    }

    if (children != nullptr)
        XFree (children);

    return found;
}

juce::Rectangle<int> screenBounds (Display* display, Window window)
{
    XWindowAttributes attributes {};
    XGetWindowAttributes (display, window, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates (display, window, DefaultRootWindow (display), 0, 0, &x, &y, &child);
    return { x, y, attributes.width, attributes.height };
}

bool waitFor (const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

    while (! condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;

        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    }

    return true;
}

void click (Display* display, juce::Point<int> screenPosition)
{
    XTestFakeMotionEvent (display, -1, screenPosition.x, screenPosition.y, CurrentTime);
    XSync (display, False);
    std::this_thread::sleep_for (std::chrono::milliseconds (50));
    XTestFakeButtonEvent (display, 1, True, CurrentTime);
    XTestFakeButtonEvent (display, 1, False, CurrentTime);
    XSync (display, False);
}

void pressEscape (Display* display, Window window)
{
    const auto centre = screenBounds (display, window).getCentre();
    XTestFakeMotionEvent (display, -1, centre.x, centre.y, CurrentTime);
    XSetInputFocus (display, window, RevertToParent, CurrentTime);
    const auto key = XKeysymToKeycode (display, XK_Escape);
    XTestFakeKeyEvent (display, key, True, CurrentTime);
    XTestFakeKeyEvent (display, key, False, CurrentTime);
    XSync (display, False);
}

/** Plays a slow sweep through the hosted instance on a thread of its own, in real
    time, as a host's audio thread does, so that the analysers keep moving. */
class Playback final
{
public:
    explicit Playback (juce::AudioPluginInstance& pluginToPlay) : plugin (pluginToPlay)
    {
        thread = std::thread ([this] { run(); });
    }

    ~Playback()
    {
        running = false;
        thread.join();
    }

private:
    void run()
    {
        juce::AudioBuffer<float> block (2, blockSize);
        juce::MidiBuffer midi;
        double phase = 0.0;
        double t = 0.0;

        while (running)
        {
            for (int i = 0; i < blockSize; ++i)
            {
                // 60 Hz to 8 kHz and back every four seconds, with a quiet second partial
                // over a bed of faint noise, so that both curves span the whole plot.
                const double frequency = 60.0 * std::pow (133.0, 0.5 - 0.5 * std::cos (juce::MathConstants<double>::pi * t / 2.0));
                phase += juce::MathConstants<double>::twoPi * frequency / sampleRate;
                t += 1.0 / sampleRate;
                const auto noise = 0.02 * (2.0 * random.nextDouble() - 1.0);
                const auto sample = (float) (0.6 * std::sin (phase) + 0.05 * std::sin (2.0 * phase) + noise);
                block.setSample (0, i, sample);
                block.setSample (1, i, 0.8f * sample);
            }

            plugin.processBlock (block, midi);
            std::this_thread::sleep_for (std::chrono::microseconds ((int) (1.0e6 * blockSize / sampleRate)));
        }
    }

    juce::AudioPluginInstance& plugin;
    juce::Random random { 1 };
    std::atomic<bool> running { true };
    std::thread thread;
};

class HostedEditorWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display = XOpenDisplay (nullptr);
        ASSERT_NE (display, nullptr) << "no X display";
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE (XTestQueryExtension (display, &event, &error, &major, &minor)) << "no XTEST on the display";

        juce::String loadError;
        plugin = tavik::host::loadVst3 (juce::File (TAVIK_BUNDLE), sampleRate, blockSize, loadError);
        ASSERT_NE (plugin, nullptr) << loadError;
        plugin->prepareToPlay (sampleRate, blockSize);

        ASSERT_TRUE (plugin->hasEditor());
        editor.reset (plugin->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);

        editor->setTopLeftPosition (editorOrigin);
        editor->addToDesktop (0);
        editor->setVisible (true);
        pumpMessages (500);
    }

    void TearDown() override
    {
        editor.reset();

        if (plugin != nullptr)
            plugin->releaseResources();

        plugin.reset();

        if (display != nullptr)
            XCloseDisplay (display);
    }

    static void pumpMessages (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** Runs the message loop while driver runs on a thread of its own. */
    static void runBeside (const std::function<void()>& driver)
    {
        std::atomic<bool> finished { false };
        std::thread thread ([&] {
            driver();
            finished = true;
        });

        while (! finished)
            pumpMessages (20);

        thread.join();
    }

    Window editorWindow() const
    {
        auto* peer = editor->getPeer();
        return peer != nullptr ? (Window) reinterpret_cast<juce::pointer_sized_uint> (peer->getNativeHandle()) : 0;
    }

    Display* display = nullptr;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

int countPixels (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance)
{
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto pixel = image.getPixelAt (x, y);
            count += (std::abs (pixel.getRed() - colour.getRed()) <= tolerance
                      && std::abs (pixel.getGreen() - colour.getGreen()) <= tolerance
                      && std::abs (pixel.getBlue() - colour.getBlue()) <= tolerance) ? 1 : 0;
        }

    return count;
}

TEST_F (HostedEditorWindow, ShowsTheMovingSpectraAt400By400)
{
    EXPECT_EQ (editor->getWidth(), 400);
    EXPECT_EQ (editor->getHeight(), 400);

    const juce::Rectangle<int> plot (3, 143, 394, 254);
    const juce::Rectangle<int> insidePlot = plot.reduced (4);
    juce::Image first, second;

    {
        Playback playback (*plugin);
        pumpMessages (1500);
        first = capture (display, editorWindow());
        pumpMessages (700);
        second = capture (display, editorWindow());
    }

    ASSERT_TRUE (first.isValid()) << "the editor's window is not on the screen";
    ASSERT_EQ (first.getBounds(), juce::Rectangle<int> (0, 0, 400, 400));
    EXPECT_TRUE (save (second, "editor.png"));

    // The frame, the curves and their captions, as the display shows them.
    EXPECT_GT (countPixels (first, { 20, 142, 360, 2 }, juce::Colours::silver, 8), 500);
    EXPECT_GT (countPixels (first, insidePlot, juce::Colours::greenyellow, 30), 100);
    EXPECT_GT (countPixels (first, insidePlot, juce::Colours::indianred, 30), 100);

    // The spectra move inside the plot; the controls above it stay as they are.
    int movedInside = 0;
    int movedAbove = 0;

    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            if (first.getPixelAt (x, y) != second.getPixelAt (x, y))
                ++(plot.contains (x, y) ? movedInside : movedAbove);

    EXPECT_GT (movedInside, 100);
    EXPECT_EQ (movedAbove, 0);
}

TEST_F (HostedEditorWindow, LogoOpensTheAboutWindowWhichEscapeAndTheCloseButtonClose)
{
    Playback playback (*plugin);
    pumpMessages (300);

    const auto editorBounds = screenBounds (display, editorWindow());
    ASSERT_EQ (editorBounds, juce::Rectangle<int> (editorOrigin.x, editorOrigin.y, 400, 400));
    const auto logo = editorBounds.getPosition() + juce::Point<int> (137 + 47, 24 + 30);
    const auto expectedAbout = juce::Rectangle<int> (300, 300).withCentre (editorBounds.getCentre());

    bool opened = false, closedByEscape = false, reopened = false, closedByButton = false;
    juce::Rectangle<int> firstBounds, secondBounds;
    Window firstWindow = 0, secondWindow = 0;
    juce::Image aboutPixels;

    runBeside ([&]
    {
        click (display, logo);
        opened = waitFor ([&] { return (firstWindow = findMappedWindow (display, "About")) != 0; });

        if (! opened)
            return;

        firstBounds = screenBounds (display, firstWindow);
        std::this_thread::sleep_for (std::chrono::milliseconds (300));
        aboutPixels = capture (display, firstWindow);

        pressEscape (display, firstWindow);
        closedByEscape = waitFor ([&] { return findMappedWindow (display, "About") == 0; });

        // A window left open would hold the message thread in its modal loop for good.
        if (! closedByEscape)
        {
            click (display, firstBounds.getPosition() + juce::Point<int> (firstBounds.getWidth() - 16, 14));
            return;
        }

        click (display, logo);
        reopened = waitFor ([&] { return (secondWindow = findMappedWindow (display, "About")) != 0; });

        if (! reopened)
            return;

        secondBounds = screenBounds (display, secondWindow);
        std::this_thread::sleep_for (std::chrono::milliseconds (300));
        // The title bar's close button, at the top right of the window's one-pixel border.
        click (display, secondBounds.getPosition() + juce::Point<int> (secondBounds.getWidth() - 16, 14));
        closedByButton = waitFor ([&] { return findMappedWindow (display, "About") == 0; });

        if (! closedByButton)
            pressEscape (display, secondWindow);
    });

    ASSERT_TRUE (opened) << "no about window after a click on the logo";
    EXPECT_EQ (firstBounds, expectedAbout) << "centred on the editor";
    ASSERT_TRUE (aboutPixels.isValid());
    EXPECT_TRUE (save (aboutPixels, "about.png"));
    // White text over the picture: the version line and the build date line.
    EXPECT_GT (countPixels (aboutPixels, { 18, 88, 90, 14 }, juce::Colours::white, 10), 20);
    EXPECT_GT (countPixels (aboutPixels, { 18, 106, 150, 14 }, juce::Colours::white, 10), 40);

    EXPECT_TRUE (closedByEscape) << "escape left the about window open";
    ASSERT_TRUE (reopened) << "no fresh about window on the next click";
    EXPECT_EQ (secondBounds, expectedAbout);
    EXPECT_TRUE (closedByButton) << "the close button left the about window open";
}
} // namespace
