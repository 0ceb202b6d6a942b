#pragma once

#include <QIcon>
#include <QWidget>

// An icon at a fixed size, drawn anew at every paint: unlike a label's pixmap, which keeps the
// colours of the moment it was made, it follows the palette from light to dark and back.
class IconLabel : public QWidget
{
    Q_OBJECT

public:
    IconLabel(const QIcon& icon, int size, QWidget* parent = nullptr);

    void setIcon(const QIcon& icon);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon icon_;
    int size_;
};
