#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// A stand-in's argument vector, read the way the macOS disk tools read theirs: options (a dash
// and a word) with or without one value, in any order, and operands. An unknown option, a
// missing value or a repeated option is refused with the command's usage text.
class ToolArguments
{
public:
    ToolArguments(const QStringList& arguments, const QSet<QString>& valuedOptions, const QSet<QString>& flagOptions,
                  QString usage);

    bool has(const QString& option) const;
    std::optional<QString> value(const QString& option) const;
    QString requiredValue(const QString& option) const;
    void requireFlag(const QString& option) const;

    // The one operand; refused when there is none or more than one.
    QString singleOperand() const;

    [[noreturn]] void refuse(const QString& reason) const;

private:
    QString usage_;
    QMap<QString, QString> options_;
    QStringList operands_;
};
