#pragma once

#include <QWidget>

// The top of a sheet: the brand mark beside a bold title and a one-line explanation.
class SheetHeader : public QWidget
{
    Q_OBJECT

public:
    SheetHeader(const QString& title, const QString& subtitle, QWidget* parent = nullptr);
};
