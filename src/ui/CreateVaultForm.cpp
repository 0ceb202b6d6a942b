#include "ui/CreateVaultForm.h"

#include "platform/FileLocation.h"
#include "platform/UserPerceivedText.h"

namespace {

// Counted as the user sees characters, as the store counts them.
constexpr qsizetype minimumPasswordLength = 8;

} // namespace

QString CreateVaultForm::trimmedName() const
{
    return name.trimmed();
}

bool CreateVaultForm::canCreate(bool storeIsBusy) const
{
    return !trimmedName().isEmpty() && isAcceptableNewPassword(password, passwordConfirmation) &&
           capacityInGigabytes >= minimumCapacity && !storeIsBusy;
}

std::optional<QString> CreateVaultForm::nameWarning() const
{
    if (didAttemptCreation && trimmedName().isEmpty()) {
        return QStringLiteral("Dê um nome ao cofre.");
    }
    return std::nullopt;
}

std::optional<QString> CreateVaultForm::passwordMessage() const
{
    return newPasswordMessage(password, passwordConfirmation, didAttemptCreation);
}

bool CreateVaultForm::isAcceptableNewPassword(const QString& password, const QString& confirmation)
{
    return UserPerceivedText::length(password) >= minimumPasswordLength && password == confirmation;
}

std::optional<QString> CreateVaultForm::newPasswordMessage(const QString& password, const QString& confirmation,
                                                           bool didAttempt)
{
    if (didAttempt && password.isEmpty()) {
        return QStringLiteral("Informe uma senha.");
    }
    if (!password.isEmpty() && UserPerceivedText::length(password) < minimumPasswordLength) {
        return QStringLiteral("Use pelo menos 8 caracteres.");
    }
    if (!confirmation.isEmpty() && confirmation != password) {
        return QStringLiteral("As senhas não coincidem.");
    }
    return std::nullopt;
}

QString CreateVaultForm::sourceButtonTitle() const
{
    return sourceFolder ? QStringLiteral("Alterar…") : QStringLiteral("Escolher…");
}

QString CreateVaultForm::sourceFolderName() const
{
    return sourceFolder ? FileLocation::lastPathComponent(FileLocation::path(*sourceFolder)) : QString();
}
