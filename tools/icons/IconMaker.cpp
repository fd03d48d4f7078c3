// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Draws the desktop icon from the logo, as PNG files in the layout of an icon theme:
//   varnolo-icons FOLDER SIZE...
// writes FOLDER/<size>x<size>/apps/varnolo.png for every size.
#include "gui/look/Logo.h"

#include <juce_graphics/juce_graphics.h>

#include <cstdio>

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf (stderr, "usage: varnolo-icons FOLDER SIZE...\n");
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    for (int i = 2; i < argc; ++i)
    {
        const auto size = juce::String (argv[i]).getIntValue();

        if (size < 16 || size > 1024)
        {
            std::fprintf (stderr, "varnolo-icons: %s is no icon size (16 to 1024)\n", argv[i]);
            return 2;
        }

        const auto file = folder.getChildFile (juce::String (size) + "x" + juce::String (size))
                              .getChildFile ("apps")
                              .getChildFile ("varnolo.png");
        file.getParentDirectory().createDirectory();
        file.deleteFile();

        juce::FileOutputStream out (file);
        juce::PNGImageFormat png;

        if (! out.openedOk() || ! png.writeImageToStream (Work::Logo::icon (size), out))
        {
            std::fprintf (stderr, "varnolo-icons: cannot write %s\n", file.getFullPathName().toRawUTF8());
            return 1;
        }
    }

    return 0;
}
