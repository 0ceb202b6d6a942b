#include "ui/FoundImageAlert.h"

#include "ui/DestructiveButtonStyle.h"

#include <QPushButton>

namespace {

QPushButton* labelledButton(QMessageBox& box, const QString& title, QMessageBox::ButtonRole role,
                            const QString& description)
{
    QPushButton* button = box.addButton(title, role);
    button->setAccessibleName(title);
    button->setAccessibleDescription(description);
    return button;
}

} // namespace

FoundImageAlert::FoundImageAlert(const FoundVaultImage& image, QWidget* parent)
    : QMessageBox(parent)
    , imageID_(image.id)
    , add_(labelledButton(*this, QStringLiteral("Adicionar à lista"), QMessageBox::AcceptRole,
                          QStringLiteral("O cofre volta para a lista, bloqueado.")))
    , trash_(labelledButton(*this, QStringLiteral("Mover para a Lixeira"), QMessageBox::DestructiveRole,
                            QStringLiteral("O arquivo criptografado vai para a Lixeira, de onde pode ser recuperado.")))
    , later_(labelledButton(*this, QStringLiteral("Decidir depois"), QMessageBox::RejectRole,
                            QStringLiteral("O arquivo fica onde está e será oferecido de novo na próxima abertura.")))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setIcon(QMessageBox::Question);
    setWindowTitle(QStringLiteral("Cofre encontrado"));
    setText(QStringLiteral("Cofre encontrado: “") + image.name + QStringLiteral("”"));
    setInformativeText(QStringLiteral("O arquivo criptografado deste cofre está na pasta de cofres, mas o cofre não "
                                      "está na lista. Nada foi alterado nele."));
    setAccessibleName(text());
    setAccessibleDescription(informativeText());
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    DestructiveButtonStyle::apply(trash_);
    setDefaultButton(add_);
    setEscapeButton(later_);
    connect(this, &QMessageBox::finished, this, [this] {
        if (clickedButton() == add_) {
            emit addRequested(imageID_);
        } else if (clickedButton() == trash_) {
            emit trashRequested(imageID_);
        } else {
            emit postponed(imageID_);
        }
    });
}
