#pragma once

#include <QBasicTimer>
#include <QWidget>

// A small spinning arc for work of unknown length; it turns only while visible.
class ActivityIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit ActivityIndicator(int diameter = 16, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int diameter_;
    int angle_ = 0;
    QBasicTimer timer_;
};
