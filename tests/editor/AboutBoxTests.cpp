// The about window that a click on the logo opens: it runs a modal loop inside the
// click handler, so each test drives it from a timer that the loop keeps firing.

#include "editor/EditorInspector.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

namespace
{
using Rect = juce::Rectangle<int>;
using Editor = TutorialProcessor::GenericEditor;
using AboutBox = TutorialProcessor::AboutBox;

AboutBox* findAboutBox()
{
    for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
        if (auto* box = dynamic_cast<AboutBox*> (juce::TopLevelWindow::getTopLevelWindow (i)))
            return box;

    return nullptr;
}

/** Steps run one after the other from a timer; a step that returns false is tried
    again on the next tick. */
class Script final : private juce::Timer
{
public:
    explicit Script (std::vector<std::function<bool()>> stepsToRun) : steps (std::move (stepsToRun))
    {
        startTimer (20);
    }

    ~Script() override
    {
        stopTimer();
    }

    /** Runs the message loop until every step has passed or ten seconds are up. */
    bool run()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);

        while (next < steps.size() && std::chrono::steady_clock::now() < deadline)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

        return next == steps.size();
    }

    size_t stepsPassed() const { return next; }

private:
    void timerCallback() override
    {
        if (next < steps.size() && steps[next]())
            ++next;
    }

    std::vector<std::function<bool()>> steps;
    size_t next = 0;
};

/** The editor inside a window of the test's own, as a host shows it. */
struct ShownEditor
{
    explicit ShownEditor (Rect screenBounds)
        : editor (dynamic_cast<Editor*> (processor.createEditorIfNeeded()))
    {
        window.setBounds (screenBounds);
        window.addAndMakeVisible (*editor);
        window.addToDesktop (0);
        window.setVisible (true);
    }

    ~ShownEditor()
    {
        window.removeFromDesktop();
    }

    void clickLogo() { EditorInspector::logoButton (*editor).triggerClick(); }

    TutorialProcessor processor;
    juce::Component window;
    std::unique_ptr<Editor> editor;
};

/** Counts the pixels where text drawn alone at a baseline is solid but the window is not white. */
int textPixelsMissing (const juce::Image& window, const juce::String& text, int x, int baseline)
{
    juce::Image alone (juce::Image::ARGB, window.getWidth(), window.getHeight(), true);
    {
        juce::Graphics g (alone);
        g.setColour (juce::Colours::white);
        g.drawSingleLineText (text, x, baseline);
    }

    int solid = 0;
    int missing = 0;

    for (int py = 0; py < window.getHeight(); ++py)
        for (int px = 0; px < window.getWidth(); ++px)
            if (alone.getPixelAt (px, py).getAlpha() == 255)
            {
                ++solid;
                const auto pixel = window.getPixelAt (px, py);
                missing += (pixel.getRed() < 245 || pixel.getGreen() < 245 || pixel.getBlue() < 245) ? 1 : 0;
            }

    return solid > 10 ? missing : -1;
}

TEST (AboutBox, WritesTheBuildDateAsMonthDayYear)
{
    const std::pair<const char*, const char*> cases[] = {
        { "Jun 26 2021", "Jun 26 2021" },
        { "Jun  6 2021", "Jun 6 2021" },
        { "Jan  1 2030", "Jan 1 2030" },
        { "Dec 31 1999", "Dec 31 1999" },
    };

    for (const auto& [compiler, shown] : cases)
        EXPECT_EQ (AboutBox::formatBuildDate (compiler), shown) << compiler;
}

TEST (AboutBox, OpensFromTheLogoAndClosesWithEscapeOrTheCloseButton)
{
    ShownEditor shown ({ 200, 150, 400, 400 });
    AboutBox* first = nullptr;

    const auto expectOpenAndCentred = [&] (AboutBox& box)
    {
        EXPECT_EQ (box.getName(), "About");
        EXPECT_TRUE (box.isOnDesktop());
        EXPECT_TRUE (box.isVisible());
        EXPECT_TRUE (box.isCurrentlyModal());
        EXPECT_TRUE (box.isAlwaysOnTop());
        EXPECT_FALSE (box.isUsingNativeTitleBar());
        EXPECT_FALSE (box.isResizable());
        EXPECT_EQ (box.getBackgroundColour(), juce::Colours::black);
        EXPECT_EQ (box.getScreenBounds(), Rect (250, 200, 300, 300)) << "centred on the editor's window";
        EXPECT_TRUE (shown.editor->isCurrentlyBlockedByAnotherModalComponent());
    };

    const auto clickLogo = [&]
    {
        shown.clickLogo();
        return true;
    };

    Script script ({
        clickLogo,
        [&]
        {
            first = findAboutBox();

            if (first == nullptr || ! first->isShowing())
                return false;

            expectOpenAndCentred (*first);
            first->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
            return true;
        },
        [] { return findAboutBox() == nullptr; },
        clickLogo,
        [&]
        {
            auto* box = findAboutBox();

            if (box == nullptr || ! box->isShowing())
                return false;

            expectOpenAndCentred (*box);
            EXPECT_NE (box->getCloseButton(), nullptr);
            EXPECT_EQ (box->getCloseButton()->getParentComponent(), box);
            box->getCloseButton()->triggerClick();
            return true;
        },
        [] { return findAboutBox() == nullptr; },
    });

    EXPECT_TRUE (script.run()) << "stopped before step " << script.stepsPassed() + 1;
    EXPECT_FALSE (shown.editor->isCurrentlyBlockedByAnotherModalComponent());
}

TEST (AboutBox, ShowsThePictureWithTheVersionAndTheBuildDate)
{
    ShownEditor shown ({ 200, 150, 400, 400 });
    juce::Image snapshot;

    Script script ({
        [&]
        {
            shown.clickLogo();
            return true;
        },
        [&]
        {
            auto* box = findAboutBox();

            if (box == nullptr || ! box->isShowing())
                return false;

            snapshot = box->createComponentSnapshot (box->getLocalBounds());
            box->closeButtonPressed();
            return true;
        },
        [] { return findAboutBox() == nullptr; },
    });

    ASSERT_TRUE (script.run());
    ASSERT_EQ (snapshot.getBounds(), Rect (0, 0, 300, 300));

    const auto picture = juce::ImageCache::getFromMemory (BinaryData::about_png, BinaryData::about_pngSize);
    ASSERT_EQ (picture.getBounds(), Rect (0, 0, 300, 300));
    EXPECT_FALSE (picture.hasAlphaChannel());

    // The picture fills the window: no title bar or frame is painted over it.
    for (const auto& point : { juce::Point<int> (0, 0), { 150, 10 }, { 1, 150 }, { 150, 160 }, { 299, 299 }, { 10, 290 } })
        EXPECT_EQ (snapshot.getPixelAt (point.x, point.y), picture.getPixelAt (point.x, point.y)) << point.toString();

    EXPECT_EQ (textPixelsMissing (snapshot, "Version ", 18, 100), 0);
    EXPECT_EQ (textPixelsMissing (snapshot, "0.9.0", 66, 100), 0);
    EXPECT_EQ (textPixelsMissing (snapshot, "Build Date " + AboutBox::formatBuildDate (__DATE__), 18, 118), 0);
}

TEST (AboutBox, StaysOnTheScreenWhenTheEditorIsInACorner)
{
    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->totalArea;
    ShownEditor shown (Rect (screen.getRight() - 250, screen.getBottom() - 250, 400, 400));
    Rect bounds;

    Script script ({
        [&]
        {
            shown.clickLogo();
            return true;
        },
        [&]
        {
            auto* box = findAboutBox();

            if (box == nullptr || ! box->isShowing())
                return false;

            bounds = box->getScreenBounds();
            box->closeButtonPressed();
            return true;
        },
        [] { return findAboutBox() == nullptr; },
    });

    ASSERT_TRUE (script.run());
    EXPECT_EQ (bounds.getWidth(), 300);
    EXPECT_EQ (bounds.getHeight(), 300);
    EXPECT_TRUE (screen.contains (bounds)) << bounds.toString() << " on " << screen.toString();
}
} // namespace
