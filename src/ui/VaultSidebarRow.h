#pragma once

#include "ui/SidebarRowModel.h"

#include <QWidget>

class ActivityIndicator;
class QLabel;
class QToolButton;

// One vault in the sidebar: icon, name, status line, progress while worked on, lock toggle.
class VaultSidebarRow : public QWidget
{
    Q_OBJECT

public:
    explicit VaultSidebarRow(QWidget* parent = nullptr);

    void display(const SidebarRowModel& model);
    const SidebarRowModel& model() const { return model_; }

signals:
    void actionRequested(const QUuid& vaultID, SidebarRowModel::Action action);

private:
    SidebarRowModel model_;
    QLabel* icon_;
    QLabel* name_;
    QLabel* status_;
    ActivityIndicator* progress_;
    QToolButton* lockToggle_;
};
