#include "ui/VaultCheckReportText.h"

namespace {

// Paths the check reports are relative to the vault; its top folder has none.
QString itemLine(const QString& path)
{
    return QStringLiteral("• ") + (path.isEmpty() ? QStringLiteral("(a pasta principal do cofre)") : path);
}

} // namespace

VaultCheckReportText VaultCheckReportText::make(const QString& vaultName, const VaultCheckReport& report)
{
    const QString quotedName = QStringLiteral("“") + vaultName + QStringLiteral("”");
    VaultCheckReportText text;
    text.title = QStringLiteral("Verificação do cofre ") + quotedName;
    if (report.damagedCount == 0 && report.skippedCount == 0) {
        text.message = QStringLiteral("Nenhum problema encontrado no cofre ") + quotedName + QStringLiteral(".");
        return text;
    }
    QStringList lines;
    if (report.damagedCount > 0) {
        lines.append(report.damagedCount == 1
                         ? QStringLiteral("1 item danificado no cofre ") + quotedName + QStringLiteral(":")
                         : QString::number(report.damagedCount) + QStringLiteral(" itens danificados no cofre ") +
                               quotedName + QStringLiteral(":"));
        for (const QString& item : report.damagedItems) {
            lines.append(itemLine(item));
        }
        if (const qint64 unnamed = report.damagedCount - report.damagedItems.size(); unnamed > 0) {
            lines.append(unnamed == 1 ? QStringLiteral("• mais 1 item cujo nome não pôde ser lido")
                                      : QStringLiteral("• mais ") + QString::number(unnamed) +
                                            QStringLiteral(" itens cujos nomes não puderam ser lidos"));
        }
    }
    if (report.skippedCount > 0) {
        lines.append(report.skippedCount == 1
                         ? QStringLiteral("1 item não pôde ser lido por falta de permissão.")
                         : QString::number(report.skippedCount) +
                               QStringLiteral(" itens não puderam ser lidos por falta de permissão."));
    }
    lines.append(QString());
    lines.append(QStringLiteral("O que fazer: desbloqueie o cofre e copie para fora dele o que você ainda precisa e "
                                "consegue abrir; substitua os itens danificados por uma cópia de segurança, se "
                                "tiver uma, e apague-os do cofre. Os demais itens não foram afetados; a verificação "
                                "não alterou nada."));
    text.message = lines.join(QLatin1Char('\n'));
    return text;
}
