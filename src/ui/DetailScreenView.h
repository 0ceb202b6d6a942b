#pragma once

#include "ui/DetailScreenModel.h"

#include <QWidget>

class ActivityIndicator;
class IconLabel;
class QHBoxLayout;
class QLabel;

// Draws one detail screen from its model: the mark or an icon, a title with an optional
// progress indicator, a message and the screen's buttons, centred in the pane.
class DetailScreenView : public QWidget
{
    Q_OBJECT

public:
    explicit DetailScreenView(QWidget* parent = nullptr);

    void display(const DetailScreenModel& model);
    const DetailScreenModel& model() const { return model_; }

signals:
    void actionRequested(DetailScreenModel::Action action);

private:
    DetailScreenModel model_;
    bool hasDrawn_ = false;
    // The brand mark on the welcome screen; the other screens show an icon.
    QLabel* mark_;
    IconLabel* icon_;
    ActivityIndicator* progress_;
    QLabel* title_;
    QLabel* message_;
    QHBoxLayout* buttons_;
};
