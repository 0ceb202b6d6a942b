#include "ui/DestructiveButtonStyle.h"

#include "ui/KovaraBrand.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>

namespace {

void colour(QAbstractButton* button)
{
    QPalette palette = button->palette();
    const QColor red = KovaraBrand::destructive(QApplication::palette());
    palette.setColor(QPalette::ButtonText, red);
    palette.setColor(QPalette::WindowText, red);
    button->setPalette(palette);
}

// One filter serves every destructive button: it recolours the button it watches when the
// application's palette changes.
class PaletteFollower : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange) {
            colour(static_cast<QAbstractButton*>(watched));
        }
        return false;
    }
};

} // namespace

void DestructiveButtonStyle::apply(QAbstractButton* button)
{
    static PaletteFollower follower;
    colour(button);
    button->installEventFilter(&follower);
}
