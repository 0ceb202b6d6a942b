#include "ui/ItemPicker.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString acceptLabel = QStringLiteral("Adicionar");

} // namespace

ItemPicker::ItemPicker(QWidget* parent) : QFileDialog(parent, QStringLiteral("Adicionar arquivos ou pastas"))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    // The desktop's native dialogs cannot be told to take folders and files together.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, acceptLabel);
    // Without a remembered folder Qt starts in the working directory, which for a program
    // started from the desktop is meaningless.
    if (directory() == QDir::root() || directory() == QDir::current()) {
        setDirectory(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    }

    // Qt relabels the button from these signals; connected after its own handlers, these run
    // last and put the label back.
    if (auto* fileName = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        connect(fileName, &QLineEdit::textChanged, this, &ItemPicker::keepAcceptLabel);
    }
    if (auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ItemPicker::keepAcceptLabel);
    }
    connect(this, &QFileDialog::directoryEntered, this, &ItemPicker::keepAcceptLabel);
}

void ItemPicker::accept()
{
    const QStringList paths = selectedFiles();
    const auto* fileName = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = fileName ? fileName->text() : QString();
    const bool entersFolder = paths.size() == 1 && typed.endsWith(QLatin1Char('/')) && QFileInfo(paths.first()).isDir();
    const bool allExist =
        std::all_of(paths.cbegin(), paths.cend(), [](const QString& path) { return QFileInfo::exists(path); });
    // Qt's own handling enters a folder, goes up for "..", and explains a name that does not exist.
    if (paths.isEmpty() || entersFolder || !allExist || typed == QLatin1String("..")) {
        QFileDialog::accept();
        keepAcceptLabel();
        return;
    }
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    emit itemsChosen(urls);
    // Past QFileDialog's own accept, which would enter a selected folder instead of taking it.
    QDialog::accept(); // NOLINT(bugprone-parent-virtual-call)
}

void ItemPicker::keepAcceptLabel()
{
    if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        if (QPushButton* open = buttons->button(QDialogButtonBox::Open)) {
            open->setText(acceptLabel);
        }
    }
}
