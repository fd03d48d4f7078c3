#include "MainAppWindow.h"

#include "ProductInfo.h"
#include "QuitQuestion.h"
#include "gui/ColourPalette.h"

namespace Work
{

namespace
{
    const char* const windowStateKey = "windowState";
    const char* const knownPluginsKey = "knownPlugins";
} // namespace

MainAppWindow::MainAppWindow (MainSettings& settingsToUse, MidiInputCallbackManager& midiInput)
    : juce::DocumentWindow (ProductInfo::getNameWithVersion(), ColourPalette::backgroundColour(),
                            juce::DocumentWindow::allButtons)
    , settings (settingsToUse)
    , settingsFile (settingsToUse.getUserSettings())
    , engine (settingsToUse, &midiInput,
              static_cast<std::uint64_t> (juce::jmax (0, juce::SystemStats::getMemorySizeInMegabytes())))
{
    instance = this;

    if (! engine.hasPool())
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, ProductInfo::getNameWithVersion(),
                                           "Not enough memory could be reserved for recording (at least 256 MB are needed). "
                                           "Close other programs and start again.");
        juce::JUCEApplication::quit();
        return;
    }

    if (auto xml = settingsFile.getXmlValue (knownPluginsKey))
        knownPlugins.recreateFromXml (*xml);

    knownPlugins.addChangeListener (this);

    commandManager = std::make_unique<juce::ApplicationCommandManager>();
    setResizable (true, true);
    setResizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
    settings.addListener (this);

    buildContent();
}

MainAppWindow::~MainAppWindow()
{
    settings.removeListener (this);
    closeContent();
    knownPlugins.removeChangeListener (this);
    commandManager = nullptr;
    instance = nullptr;
}

juce::Point<int> MainAppWindow::initialSizeFor (juce::Rectangle<int> display) noexcept
{
    return { juce::jmax (minimumWidth, display.getWidth() * 23 / 24),
             juce::jmax (minimumHeight, display.getHeight() * 23 / 24) };
}

void MainAppWindow::buildContent()
{
    juce::Rectangle<int> display (1024, 768);

    if (const auto* main = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
        display = main->totalArea;

    const auto size = initialSizeFor (display);
    contentBuilding = true;

    engine.buildEngine();

    content = std::make_unique<EngineStatusComponent>();
    engine.getMainAudio()->onStatusChanged = [this] (const juce::String& text) {
        if (content != nullptr)
            content->setDeviceStatus (text);
    };

    commandManager->registerAllCommandsForTarget (juce::JUCEApplication::getInstance());
    addKeyListener (commandManager->getKeyMappings());

    centreWithSize (size.x, size.y);
    setContentNonOwned (content.get(), false);

    // Reading and writing the state back keeps the key in the file even before the first close.
    const auto state = settingsFile.getValue (windowStateKey);
    settingsFile.setValue (windowStateKey, state);
    restoreWindowStateFromString (state);

    if (const auto error = engine.openAudio(); error.isNotEmpty())
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, ProductInfo::getNameWithVersion(),
                                                error + "\n\nThe program runs without audio until a device is chosen.");

    startTimer (guiTickMs);
    setVisible (true);
    toFront (true);
}

void MainAppWindow::timerCallback()
{
    if (content != nullptr)
        engine.tick (*content);
}

void MainAppWindow::closeContent()
{
    stopTimer();
    engine.closeAudio();

    if (contentBuilding)
    {
        settingsFile.setValue (windowStateKey, getWindowStateAsString());
        settingsFile.saveIfNeeded();
    }

    if (commandManager != nullptr)
        removeKeyListener (commandManager->getKeyMappings());

    clearContentComponent();

    if (auto* audio = engine.getMainAudio())
        audio->onStatusChanged = nullptr;

    engine.teardownEngine();

    content = nullptr;
}

void MainAppWindow::closeButtonPressed()
{
    setVisible (false);

    if (askToQuit())
    {
        juce::JUCEApplication::quit();
        return;
    }

    setVisible (true);
    toFront (true);
}

void MainAppWindow::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source != &knownPlugins)
        return;

    if (auto xml = knownPlugins.createXml())
        settingsFile.setValue (knownPluginsKey, xml.get());

    settingsFile.saveIfNeeded();
}

void MainAppWindow::optionChanged (Setting&)
{
    // Every change made in the options dialog rebuilds the content, engine included, so the
    // screen shows the new options at once; changes from elsewhere reach the engine directly.
    if (settings.isOptionsDialogOpen())
    {
        closeContent();
        buildContent();
    }
}

} // namespace Work
