#pragma once

#include "system/FoundVaultImage.h"

#include <QMessageBox>

class QPushButton;

// Offers back an image the catalogue has lost: "Cofre encontrado: “…”" with "Adicionar à
// lista", "Mover para a Lixeira" and "Decidir depois". Window-modal, deletes itself when closed;
// it only reports the choice, the store does the work.
class FoundImageAlert : public QMessageBox
{
    Q_OBJECT

public:
    FoundImageAlert(const FoundVaultImage& image, QWidget* parent);

    const QUuid& imageID() const { return imageID_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* trashButton() const { return trash_; }
    QPushButton* laterButton() const { return later_; }

signals:
    void addRequested(const QUuid& imageID);
    void trashRequested(const QUuid& imageID);
    void postponed(const QUuid& imageID);

private:
    QUuid imageID_;
    QPushButton* add_;
    QPushButton* trash_;
    QPushButton* later_;
};
