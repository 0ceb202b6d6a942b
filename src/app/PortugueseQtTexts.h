#pragma once

#include <QTranslator>

class QCoreApplication;

// Qt's own texts (the file dialog, message box buttons, a text field's context menu) in Brazilian
// Portuguese, whatever language the user's environment names: Kovara speaks only Portuguese.
// Qt's pt_BR catalogue supplies them, and this translator the few the catalogue of Qt 6.4 lacks
// (the file dialog's "Folder" type column comes from a class renamed in Qt 6, whose texts it has
// no entry for).
class PortugueseQtTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    // Makes pt_BR the default locale and installs Qt's catalogue and this translator.
    static void install(QCoreApplication& application);

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};
