#pragma once

#include "ui/FinderImportSheetModel.h"

#include <QDialog>
#include <QPointer>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <map>
#include <optional>

class FinderImportCoordinator;
class InlineMessage;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class VaultStore;

// The sheet over the main window in which folders from the file manager (or a later `kovara
// FOLDER…`) go into a vault: the user picks the vault, types its password when it is locked,
// and one press unlocks it and copies the folders in; the originals stay where they are. With
// no vault yet it offers to create one first. The sheet stays while the vault unlocks, so a
// refused password is typed again here, and steps aside once copying starts, leaving the
// progress banner (with its own "Cancelar") in view. "Cancelar" drops the request and stops an
// import it started; closing the window only puts it aside for the main window's banner.
class FinderImportSheet : public QDialog
{
    Q_OBJECT

public:
    // Window-modal over `parent` once open()ed; it deletes itself when it closes, and closes by
    // itself when the request ends.
    FinderImportSheet(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent);

    const FinderImportSheetModel& model() const { return model_; }

    // The import button: copies the request's folders into the chosen vault, unlocking it with
    // the typed password; its completion drops the folders that were copied from the request.
    void importItems();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Keeps the chosen vault if the catalogue still has it, else takes the store's selected vault,
    // else the first; tells the store and refreshes it, then puts the focus in the password
    // field of a locked vault.
    QCoro::Task<> prepareSelection();
    void chooseVault(const QUuid& vaultID);
    void presentCreateSheet();
    void showModel();
    void showFolders();
    void showVaults();
    // Follows this sheet's running import: steps aside once copying starts, and after a
    // refused unlock gives the password field back.
    void followImport();

    VaultStore& store_;
    FinderImportCoordinator& finderImport_;
    FinderImportSheetModel model_;
    std::optional<QUuid> selectedVaultID_;
    bool didAttemptImport_ = false;
    // This sheet's import is running: set when the store takes it, cleared when the store is free.
    bool isImporting_ = false;
    QPointer<QDialog> createSheet_;

    QStackedWidget* body_;
    QVBoxLayout* folderRows_;
    QComboBox* vaultPicker_;
    std::map<FinderImportSheetModel::Status, InlineMessage*> statusLines_;
    QWidget* passwordBlock_;
    QLineEdit* password_;
    InlineMessage* passwordMessage_;
    QPushButton* checkAgain_;
    QPushButton* importButton_;
    QPushButton* createButton_;
};
