#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "support/FakeSystemTools.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Answer = FakeSystemTools::Answer;

// A disk-image service over fake tools, in a temporary application folder, with a recording
// trash function that tests can make fail.
class DiskImageServiceTest : public testing::Test
{
protected:
    // A mounted volume as the tools describe it; a null string leaves the key out.
    struct Entity
    {
        QString mountPoint;
        QString deviceEntry;
    };

    // A space in the path, as in macOS's Application Support, exercises URL escaping.
    QString applicationPath() const { return root.path() + "/Application Support/Kovara"; }
    QString storagePath() const { return applicationPath() + "/Vaults.noindex"; }

    // A vault whose image is in the storage folder (made there unless `withImage` is false).
    Vault vaultNamed(const QString& name, bool withImage = true) const
    {
        const QUuid id = QUuid::createUuid();
        const Vault vault{
            id, name, QUrl::fromLocalFile(storagePath() + '/' + id.toString(QUuid::WithoutBraces) + ".sparsebundle"),
            QDateTime::currentDateTimeUtc()};
        if (withImage) {
            QDir().mkpath(vault.imageURL.toLocalFile());
        }
        return vault;
    }

    static QByteArray propertyList(const QByteArray& dictionaryBody)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + dictionaryBody +
               "</dict></plist>";
    }

    static QByteArray entitiesEntry(const QList<Entity>& entities)
    {
        QByteArray xml = "<key>system-entities</key><array>";
        for (const Entity& entity : entities) {
            xml += "<dict><key>content-hint</key><string>Apple_APFS</string>";
            xml += entity.mountPoint.isNull()
                       ? QByteArray()
                       : "<key>mount-point</key><string>" + entity.mountPoint.toUtf8() + "</string>";
            xml += entity.deviceEntry.isNull()
                       ? QByteArray()
                       : "<key>dev-entry</key><string>" + entity.deviceEntry.toUtf8() + "</string>";
            xml += "</dict>";
        }
        return xml + "</array>";
    }

    // What "hdiutil attach -plist" prints.
    static QByteArray attachOutput(const QList<Entity>& entities) { return propertyList(entitiesEntry(entities)); }

    // What "hdiutil info -plist" prints for images given as (location, entities); a location is
    // written under "image-path" unless it is a URL.
    static QByteArray infoOutput(const QList<std::pair<QString, QList<Entity>>>& images)
    {
        QByteArray xml = "<key>framework</key><string>7.0</string><key>images</key><array>";
        for (const auto& [location, entities] : images) {
            const QByteArray key = location.startsWith("file:") ? "image-url" : "image-path";
            xml += "<dict>" + (location.isNull() ? QByteArray()
                                                 : "<key>" + key + "</key><string>" + location.toUtf8() + "</string>");
            xml += entitiesEntry(entities) + "</dict>";
        }
        return propertyList(xml + "</array>");
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(applicationPath());
    FakeSystemTools tools;
    SystemProcessRunner runner{tools.table()};
    QStringList trashedPaths;
    std::function<std::optional<QUrl>(const QUrl&)> trashBehaviour =
        [this](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        return std::nullopt;
    };
    DiskImageService service{paths, runner, [this](const QUrl& location) { return trashBehaviour(location); }};
};
