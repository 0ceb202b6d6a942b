#pragma once

#include <QWidget>

class ActivityIndicator;
class FinderImportCoordinator;
class IconLabel;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class VaultStore;

// The banners over the detail pane, in this order: the running operation's progress, folders
// from the file manager that wait for a destination, and the store's notice.
class BannerStack : public QWidget
{
    Q_OBJECT

public:
    BannerStack(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyBannerStyle();
    void showOperation();
    void showPendingFinderRequest();
    void showNotice();

    VaultStore& store_;
    FinderImportCoordinator& finderImport_;

    QFrame* operation_;
    QLabel* operationTitle_;
    QLabel* operationPercentage_;
    QLabel* operationBytes_;
    QPushButton* operationCancel_;

    QFrame* pendingFinder_;

    QFrame* notice_;
    IconLabel* noticeIcon_;
    QLabel* noticeMessage_;
};
