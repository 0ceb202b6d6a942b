#include "ui/SheetScrollArea.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// What a window manager's title bar and borders take, which Qt cannot know before the window
// is mapped.
constexpr int windowFrameAllowance = 48;
constexpr int sectionSpacing = 14;

} // namespace

SheetScrollArea::SheetScrollArea(const QList<QWidget*>& sections, QWidget* parent) : QScrollArea(parent)
{
    auto* fields = new QWidget(this);
    auto* layout = new QVBoxLayout(fields);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(sectionSpacing);
    for (QWidget* section : sections) {
        layout->addWidget(section);
    }
    layout->addStretch();
    setWidget(fields);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The fields sit on the sheet's own colour, as they did outside a scroll area.
    viewport()->setAutoFillBackground(false);
    fields->setAutoFillBackground(false);
    fields->installEventFilter(this);
    if (parent) {
        parent->window()->installEventFilter(this);
    }
}

QSize SheetScrollArea::sizeHint() const
{
    const QSize fields = widget()->sizeHint();
    return {fields.width() + verticalScrollBar()->sizeHint().width(), fields.height()};
}

QSize SheetScrollArea::minimumSizeHint() const
{
    return {widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width(), fontMetrics().height() * 4};
}

void SheetScrollArea::fitToScreen(QWidget& sheet)
{
    const QScreen* screen = sheet.screen();
    if (!screen) {
        return;
    }
    // Size hints are only current once the layout requests that changes of the fields posted
    // (a minimum width set, a message shown) have run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QSize available = screen->availableGeometry().size() - QSize(0, windowFrameAllowance);
    sheet.resize(sheet.sizeHint().boundedTo(available).expandedTo(sheet.minimumSizeHint()));
}

bool SheetScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // The sheet is about to show, its fields already laid out: it takes its size before the
    // dialog centres it over the window.
    if (watched == window() && event->type() == QEvent::Show && !event->spontaneous()) {
        fitToScreen(*window());
    }
    // The fields changed what they need: the sheet's layout reads this area's hints again, and
    // a sheet on screen takes the size that shows them, once their layout has settled.
    if (watched == widget() && event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        if (window()->isVisible()) {
            QMetaObject::invokeMethod(
                this, [this] { fitToScreen(*window()); }, Qt::QueuedConnection);
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
