// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BusEffects.h"

#include "audio/BufferPatch.h"
#include "gui/effects/EffectPanel.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    enum MenuId
    {
        noEffect = 1,
        scanAgain = 2,
        firstPlugin = 100
    };

    /** The panel's own window, beside the main one: the performance goes on while it shows. */
    struct PanelWindow final : juce::DocumentWindow
    {
        PanelWindow (const juce::String& title, std::unique_ptr<juce::Component> content)
            : juce::DocumentWindow (title, Drawing::palette().background, juce::DocumentWindow::closeButton)
        {
            setUsingNativeTitleBar (true);
            setContentOwned (content.release(), true);
            setResizable (false, false);
            centreWithSize (getWidth(), getHeight());
            setVisible (true);
            toFront (true);
        }

        void closeButtonPressed() override { setVisible (false); }

        bool keyPressed (const juce::KeyPress& key) override
        {
            if (key != juce::KeyPress::escapeKey)
                return juce::DocumentWindow::keyPressed (key);
            setVisible (false);
            return true;
        }
    };
} // namespace

BusEffects::BusEffects (EngineRuntime& engineToUse, juce::PropertiesFile& settingsToUse)
    : engine (engineToUse)
    , settings (settingsToUse)
{
}

BusEffects::~BusEffects()
{
    *alive = false;
    release();
}

void BusEffects::release()
{
    panel = nullptr;
    auto* audio = engine.getMainAudio();
    auto* manager = engine.getMidiGuiManager();
    if (audio != nullptr && ! commands.empty())
    {
        const CallbackDisabler::ScopedDisable gate (audio->getDevice());
        for (auto& command : commands)
            audio->getDevice().removePreAudioCallbackClient (command.get());
    }
    if (manager != nullptr)
        for (auto& command : commands)
            manager->unregister (MidiCommandKind::continuous, command.get());
    commands.clear();
}

Lv2Effect* BusEffects::current() const noexcept
{
    auto* audio = engine.getMainAudio();
    return audio != nullptr ? BusEffectChain::firstOf (audio->busEffects.get()) : nullptr;
}

void BusEffects::restore()
{
    // A kept effect the program cannot read (edited by hand) is left out, not half used.
    juce::String error;
    if (const auto kept = settings.getXmlValue (settingsKey); kept != nullptr)
        if (const auto image = BusEffectImage::fromXml (*kept, error); image.has_value())
            use (*image);
}

std::optional<BusEffectImage> BusEffects::image() const
{
    if (const auto* effect = current())
        return BusEffectImage::capture (*effect);
    return std::nullopt;
}

void BusEffects::useImage (const std::optional<BusEffectImage>& image)
{
    if (image.has_value())
        use (*image);
    else if (current() != nullptr)
        remove();
}

void BusEffects::slotClicked (juce::Component& slot)
{
    if (current() != nullptr)
        showPanel();
    else
        showChooser (slot);
}

void BusEffects::showChooser (juce::Component& slot)
{
    const auto entries = EffectScan::entries (settings);
    const bool unscanned = std::any_of (entries.begin(), entries.end(), [] (const auto& e) { return ! e.probed; });
    if (unscanned)
        return scanThenShow (slot, false);

    juce::PopupMenu menu;
    menu.addItem (noEffect, "No effect", true, current() == nullptr);
    menu.addSeparator();
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const auto& entry = entries[i];
        const auto name = juce::String::fromUTF8 (entry.info.name.c_str());
        const bool chosen = current() != nullptr && current()->getInfo().uri == entry.info.uri;
        if (entry.blockedBecause.empty())
            menu.addItem (firstPlugin + int (i), name, true, chosen);
        else
            menu.addItem (firstPlugin + int (i),
                          name + " (blocked: " + juce::String::fromUTF8 (entry.blockedBecause.c_str()) + ")", false);
    }
    menu.addSeparator();
    menu.addItem (scanAgain, "Scan the plug-ins again");

    menu.showMenuAsync (
        juce::PopupMenu::Options().withTargetComponent (&slot),
        [this, alive = alive, entries, target = juce::Component::SafePointer<juce::Component> (&slot)] (int id) {
            if (! *alive)
                return;
            if (id == noEffect)
                remove();
            else if (id == scanAgain && target != nullptr)
                scanThenShow (*target, true);
            else if (id >= firstPlugin && std::size_t (id - firstPlugin) < entries.size())
            {
                use (BusEffectImage { entries[std::size_t (id - firstPlugin)].info.uri, false, {} });
                if (current() != nullptr)
                    showPanel();
            }
        });
}

void BusEffects::scanThenShow (juce::Component& slot, bool again)
{
    if (scanning)
        return;

    if (again)
        EffectScan::forget (settings);

    std::vector<std::string> uris;
    for (const auto& entry : EffectScan::entries (settings))
        if (! entry.probed)
            uris.push_back (entry.info.uri);

    scanning = true;
    if (onNotice)
        onNotice ("Scanning " + juce::String (int (uris.size())) + " LV2 plug-ins...");

    // The probe runs the plug-ins in a process of its own; this thread only waits for it.
    juce::Thread::launch ([alive = alive, this, uris, target = juce::Component::SafePointer<juce::Component> (&slot)] {
        auto outcome = EffectScan::probe (EffectScan::probeProgram(), uris);
        juce::MessageManager::callAsync ([alive, this, outcome = std::move (outcome), target] {
            if (! *alive)
                return;
            scanning = false;
            EffectScan::keep (settings, outcome);
            const auto blocked =
                std::count_if (outcome.begin(), outcome.end(), [] (const auto& o) { return ! o.second.empty(); });
            if (onNotice)
                onNotice (juce::String (int (outcome.size())) + " LV2 plug-ins scanned, " + juce::String (int (blocked))
                          + " blocked.");
            if (target != nullptr)
                showChooser (*target);
        });
    });
}

void BusEffects::use (const BusEffectImage& image)
{
    auto* audio = engine.getMainAudio();
    if (audio == nullptr || audio->getSampleRate() <= 0.0)
    {
        if (onNotice)
            onNotice ("An effect needs a running audio device.");
        return;
    }

    std::string error;
    auto effect = Lv2Effect::create (image.uri, audio->getSampleRate(), maxBlockSize, error);
    if (effect == nullptr)
    {
        if (onNotice)
            onNotice (juce::String::fromUTF8 (error.c_str()));
        return;
    }

    image.applyTo (*effect);
    install (std::move (effect));
    keep();
}

void BusEffects::remove()
{
    install (nullptr);
    settings.removeValue (settingsKey);
}

void BusEffects::install (std::unique_ptr<Lv2Effect> effect)
{
    auto* audio = engine.getMainAudio();
    if (audio == nullptr)
        return;

    // The old effect's commands go before the old effect does.
    release();

    std::vector<std::unique_ptr<EffectControlCommand>> newCommands;
    if (effect != nullptr)
        for (int c = 0; c < int (effect->getInfo().controls.size()); ++c)
            newCommands.push_back (std::make_unique<EffectControlCommand> (*effect, c));
    auto chains = BusEffectChain::holding (std::move (effect));

    {
        // The audio thread leaves the old chain before it is swapped; it is freed after the
        // gate opens again, here on the message thread.
        const CallbackDisabler::ScopedDisable gate (audio->getDevice());
        std::swap (audio->busEffects, chains);
        for (auto& command : newCommands)
            [[maybe_unused]] const bool added = audio->getDevice().addPreAudioCallbackClient (command.get());
    }
    chains = nullptr;

    commands = std::move (newCommands);
    if (auto* manager = engine.getMidiGuiManager())
        for (auto& command : commands)
            manager->registerContinuous (command.get());

    if (onChange)
        onChange();
}

void BusEffects::showPanel()
{
    auto* effect = current();
    if (effect == nullptr)
        return;

    auto content = std::make_unique<EffectPanel> (*effect);
    content->onChange = [this] { keep(); };
    content->onControlMoved = [this] (int control, float value) {
        if (control >= 0 && std::size_t (control) < commands.size())
            commands[std::size_t (control)]->followPanel (value);
    };
    content->onLearn = [this] (int control) {
        if (onLearn && control >= 0 && std::size_t (control) < commands.size())
            onLearn (*commands[std::size_t (control)], MidiCommandKind::continuous);
    };
    panel = std::make_unique<PanelWindow> (juce::String::fromUTF8 (effect->getInfo().name.c_str()) + " (bus effect)",
                                           std::move (content));
}

void BusEffects::keep()
{
    if (const auto kept = image(); kept.has_value())
        settings.setValue (settingsKey, kept->toXml().get());
}

} // namespace Work
