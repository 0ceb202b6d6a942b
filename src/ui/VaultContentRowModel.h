#pragma once

#include "content/VaultContentItem.h"

#include <QString>

// What one row of an unlocked vault's item list shows, and how its item opens.
struct VaultContentRowModel
{
    QString name;
    // Folders that are not packages show a folder; files and packages (an application bundle,
    // say) show a document, since they open as one.
    QString iconName;
    // "1,2 MB"; a dash where the system gives no size (folders).
    QString sizeText;
    // The modification date, abbreviated, with the time: "5 de dez. de 2026 18:52".
    QString dateText;
    // "Abrir no gerenciador de arquivos" for a folder, "Abrir" for what opens with an application.
    QString openTitle;
    // What a screen reader says for the row: its kind, then its name ("Pasta: Fotos",
    // "Arquivo: contrato.pdf"), since the icon that tells them apart is not read out.
    QString accessibleText;

    static VaultContentRowModel make(const VaultContentItem& item);

    bool operator==(const VaultContentRowModel&) const = default;
};
