#include "ui/ItemPicker.h"

ItemPicker::ItemPicker(QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Adicionar ao cofre"))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    connect(this, &QFileDialog::urlsSelected, this, [this](const QList<QUrl>& urls) {
        if (!urls.isEmpty()) {
            emit itemsChosen(urls);
        }
    });
}
