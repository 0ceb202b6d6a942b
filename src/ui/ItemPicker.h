#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>

// Chooses the files and folders to add to a vault.
class ItemPicker : public QFileDialog
{
    Q_OBJECT

public:
    explicit ItemPicker(QWidget* parent);

signals:
    void itemsChosen(const QList<QUrl>& urls);
};
