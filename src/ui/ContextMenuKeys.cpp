#include "ui/ContextMenuKeys.h"

#include <QAbstractItemView>
#include <QKeySequence>
#include <QShortcut>

void ContextMenuKeys::install(QAbstractItemView& view)
{
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(key, &view);
        shortcut->setContext(Qt::WidgetShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &view, [&view] {
            const QModelIndex current = view.currentIndex();
            if (current.isValid()) {
                // In the viewport's coordinates, as a right click reports it.
                emit view.customContextMenuRequested(view.visualRect(current).center());
            }
        });
    }
}
