#pragma once

#include <QScrollArea>

// Holds a sheet's fields between its fixed header and its buttons. The sheet shows every field
// when the screen has room, and otherwise only as much as fits, scrolling the rest, so that its
// buttons stay on screen however large the display scale or the text. When a message appears
// under a field the sheet grows to show it, while the screen has room.
class SheetScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    // The sections, top to bottom, spaced as a sheet spaces them.
    SheetScrollArea(const QList<QWidget*>& sections, QWidget* parent);

    // The fields' own size: a sheet opens with everything in view when it can.
    QSize sizeHint() const override;
    // A few lines: below its size hint the sheet scrolls rather than leaving the screen.
    QSize minimumSizeHint() const override;

protected:
    // Sizes the sheet (the window of the area's parent) each time it is shown and whenever its
    // fields change what they need.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes `sheet` to its size hint within its screen's available area.
    static void fitToScreen(QWidget& sheet);
};
