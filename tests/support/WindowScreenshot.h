#pragma once

#include "ui/KovaraPalette.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <gtest/gtest.h>

// Saves what `widget` shows, in the light and the dark palette, as `<name>-light.png` and
// `<name>-dark.png` in the build tree's screenshots folder, for a person to look at.
inline void saveWindowScreenshots(QWidget& widget, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../screenshots";
    QDir().mkpath(folder);
    for (const auto& [scheme, suffix] :
         {std::pair{ColorScheme::dark, "-dark.png"}, {ColorScheme::light, "-light.png"}}) {
        KovaraPalette::apply(*qApp, scheme);
        // Widgets restyle, relayout and redraw over a few turns of the loop, one event leading
        // to the next (a banner's new style changes its size, which relayouts the pane).
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(widget.grab().save(folder + "/" + name + suffix));
    }
}
