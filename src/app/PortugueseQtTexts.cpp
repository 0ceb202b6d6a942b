#include "app/PortugueseQtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstring>

void PortugueseQtTexts::install(QCoreApplication& application)
{
    const QLocale brazilianPortuguese(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(brazilianPortuguese);
    auto* catalogue = new QTranslator(&application);
    if (catalogue->load(brazilianPortuguese, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(catalogue);
    }
    QCoreApplication::installTranslator(new PortugueseQtTexts(&application));
}

QString PortugueseQtTexts::translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                                     int /*n*/) const
{
    // The file type column of Qt's file dialog.
    struct Text
    {
        const char* english;
        const char* portuguese;
    };
    static constexpr Text fileTypes[] = {
        {"Folder", "Pasta"}, {"Shortcut", "Atalho"}, {"Drive", "Unidade"}, {"Unknown", "Desconhecido"}};
    if (context == nullptr || sourceText == nullptr || std::strcmp(context, "QAbstractFileIconProvider") != 0) {
        return {};
    }
    for (const Text& text : fileTypes) {
        if (std::strcmp(sourceText, text.english) == 0) {
            return QString::fromUtf8(text.portuguese);
        }
    }
    return {};
}
