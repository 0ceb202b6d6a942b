#include "ui/SheetScrollArea.h"

#include <QEvent>
#include <QScreen>
#include <QScrollBar>

namespace {

// What a window manager's title bar and borders take, which Qt cannot know before the window
// is mapped.
constexpr int windowFrameAllowance = 48;

} // namespace

SheetScrollArea::SheetScrollArea(QWidget* fields, QWidget* parent) : QScrollArea(parent)
{
    setWidget(fields);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The fields sit on the sheet's own colour, as they did outside a scroll area.
    viewport()->setAutoFillBackground(false);
    fields->setAutoFillBackground(false);
    fields->installEventFilter(this);
}

QSize SheetScrollArea::sizeHint() const
{
    const QSize fields = widget()->sizeHint();
    return {fields.width() + verticalScrollBar()->sizeHint().width(), fields.height()};
}

QSize SheetScrollArea::minimumSizeHint() const
{
    return {widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width(),
            fontMetrics().height() * 4};
}

void SheetScrollArea::fitToScreen(QWidget& sheet)
{
    const QScreen* screen = sheet.screen();
    if (!screen) {
        return;
    }
    const QSize available = screen->availableGeometry().size() - QSize(0, windowFrameAllowance);
    sheet.resize(sheet.sizeHint().boundedTo(available).expandedTo(sheet.minimumSizeHint()));
}

bool SheetScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // The fields changed what they show: once their layout has settled, the sheet takes the
    // size that shows them, within the screen.
    if (watched == widget() && event->type() == QEvent::LayoutRequest && window()->isVisible()) {
        QMetaObject::invokeMethod(
            this, [this] { fitToScreen(*window()); }, Qt::QueuedConnection);
    }
    return QScrollArea::eventFilter(watched, event);
}
