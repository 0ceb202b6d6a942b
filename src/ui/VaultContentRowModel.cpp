#include "ui/VaultContentRowModel.h"

#include "ui/ByteCountFormat.h"
#include "ui/KovaraIcons.h"

#include <QLocale>

namespace {

QString abbreviatedDateTime(const QDateTime& date)
{
    const QLocale locale;
    const QDateTime local = date.toLocalTime();
    return locale.toString(local.date(), QStringLiteral("d 'de' MMM 'de' yyyy")) + u' ' +
           locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace

VaultContentRowModel VaultContentRowModel::make(const VaultContentItem& item)
{
    const bool isFolder = item.isNavigableFolder();
    return VaultContentRowModel{
        item.name,
        isFolder ? KovaraIcons::folder : KovaraIcons::document,
        item.fileSize ? ByteCountFormat::text(*item.fileSize) : QStringLiteral("—"),
        item.modificationDate ? abbreviatedDateTime(*item.modificationDate) : QString(),
        isFolder ? QStringLiteral("Abrir no gerenciador de arquivos") : QStringLiteral("Abrir"),
        (isFolder ? QStringLiteral("Pasta: ") : QStringLiteral("Arquivo: ")) + item.name,
    };
}
