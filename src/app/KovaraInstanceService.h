#pragma once

#include "app/ActivationToken.h"
#include "finder/FinderPasteboard.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class FinderImportCoordinator;
class FinderServiceProvider;

// Keeps Kovara to one running instance per session: the first instance owns the name
// com.kovara.Kovara on the session bus and exports this object; a later `kovara` hands its
// folders (or just its wish to be seen) to it, with the activation token it was launched with,
// and ends.
class KovaraInstanceService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.kovara.Kovara")
    Q_PROPERTY(QStringList PendingFolders READ pendingFolders)

public:
    static const QString serviceName;
    static const QString objectPath;
    static const QString interfaceName;
    static const QString noValidFolderError;

    // `activate` brings the main window to the front, with the caller's token.
    using ActivateWindow = std::function<void(const ActivationToken&)>;
    KovaraInstanceService(const FinderServiceProvider& provider, const FinderImportCoordinator& coordinator,
                          ActivateWindow activate, QObject* parent = nullptr);

    // Exports this object and claims the name. False when another instance already owns the
    // name (or the bus refused), and then nothing stays exported.
    bool registerOn(QDBusConnection bus);

    // From a later `kovara`: hands the pasteboard to the running instance (or, without one,
    // asks it to show its window). Returns the error text the instance answered, if any.
    static std::optional<QString> sendToRunningInstance(const QDBusConnection& bus,
                                                        const std::optional<FinderPasteboard>& pasteboard,
                                                        const ActivationToken& token);

    // The folders of the pending request, as URLs: lets a script see what is waiting.
    QStringList pendingFolders() const;

public slots:
    // The pasteboard under its type names (see FinderPasteboard) and the caller's platform data
    // (see ActivationToken); answers the error com.kovara.Kovara.Error.NoValidFolder when the
    // pasteboard names no usable folder, and otherwise brings the window forward.
    void AddToKovara(const QVariantMap& pasteboard, const QVariantMap& platformData);
    // Brings the window to the front.
    void Activate(const QVariantMap& platformData);

private:
    const FinderServiceProvider& provider_;
    const FinderImportCoordinator& coordinator_;
    ActivateWindow activate_;
};
