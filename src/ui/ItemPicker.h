#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>

// The picker for adding items to a vault: several files and folders in one choice. Qt's own
// dialogs choose either files or a single folder, so this one is Qt's widget-based dialog in
// its several-files mode whose accept button takes the selected folders too instead of
// entering them. Folders are still entered by double-clicking them, by Enter in the list, or
// by typing their path with a trailing "/".
class ItemPicker : public QFileDialog
{
    Q_OBJECT

public:
    // Window-modal; deletes itself once closed.
    explicit ItemPicker(QWidget* parent);

signals:
    // Emitted only for a non-empty choice; cancelling emits nothing.
    void itemsChosen(const QList<QUrl>& urls);

public slots:
    void accept() override;

private:
    // Qt renames the accept button "Open" whenever a folder is selected; here it always adds.
    void keepAcceptLabel();
};
