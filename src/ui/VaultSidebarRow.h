#pragma once

#include "ui/SidebarRowModel.h"

#include <QWidget>

class ActivityIndicator;
class ElidedLabel;
class IconLabel;
class QLabel;
class QToolButton;

// One vault in the sidebar: icon, name, status line, progress while worked on, lock toggle.
// A long name ends in "…" rather than pushing the toggle out of sight.
class VaultSidebarRow : public QWidget
{
    Q_OBJECT

public:
    explicit VaultSidebarRow(QWidget* parent = nullptr);

    void display(const SidebarRowModel& model);
    const SidebarRowModel& model() const { return model_; }
    // The one control of the row that takes the keyboard focus.

signals:
    void actionRequested(const QUuid& vaultID, SidebarRowModel::Action action);

private:
    SidebarRowModel model_;
    IconLabel* icon_;
    ElidedLabel* name_;
    QLabel* status_;
    ActivityIndicator* progress_;
    QToolButton* lockToggle_;
};
