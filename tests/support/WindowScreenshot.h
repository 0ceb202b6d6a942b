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
    for (const auto& [scheme, suffix] : {std::pair{ColorScheme::dark, "-dark.png"}, {ColorScheme::light, "-light.png"}}) {
        KovaraPalette::apply(*qApp, scheme);
        // Widgets redraw, and those added to a shown window appear, on the next turn of the loop.
        QCoreApplication::processEvents();
        EXPECT_TRUE(widget.grab().save(folder + "/" + name + suffix));
    }
}
