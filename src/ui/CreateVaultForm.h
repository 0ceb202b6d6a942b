#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// What the user has typed into the create sheet, and what the sheet shows for it: whether
// "Criar cofre" is enabled and which messages stand under the fields. The store checks the same
// rules again when the request reaches it; these are for immediate feedback.
struct CreateVaultForm
{
    static constexpr int minimumCapacity = 1;
    static constexpr int maximumCapacity = 2048;
    static constexpr int defaultCapacity = 10;

    QString name;
    int capacityInGigabytes = defaultCapacity;
    QString password;
    QString passwordConfirmation;
    std::optional<QUrl> sourceFolder;
    // Set by the first press of "Criar cofre": messages about empty fields wait for it.
    bool didAttemptCreation = false;

    QString trimmedName() const;
    bool canCreate(bool storeIsBusy) const;
    // "Dê um nome ao cofre.", after an attempt with an empty name.
    std::optional<QString> nameWarning() const;
    // At most one message about the two password fields, the most basic problem first.
    std::optional<QString> passwordMessage() const;

    // The rules for any password a vault is given (here and when it is changed): at least 8
    // characters, typed the same twice. The message names the most basic problem first; an
    // empty password is mentioned only after an attempt.
    static bool isAcceptableNewPassword(const QString& password, const QString& confirmation);
    static std::optional<QString> newPasswordMessage(const QString& password, const QString& confirmation,
                                                     bool didAttempt);
    // "Escolher…" or "Alterar…", by whether a folder is chosen.
    QString sourceButtonTitle() const;
    // The chosen folder's name, or empty.
    QString sourceFolderName() const;
};
