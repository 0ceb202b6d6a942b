#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultError.h"
#include "support/FakeSystemTools.h"
#include "support/VaultErrorPrinting.h"
#include "support/WaitForTask.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>

#include <gtest/gtest.h>
#include <plist/plist.h>
#include <qcoro/qcorotask.h>

#include <optional>
#include <stdexcept>

// A disk-image service over fake tools, in a temporary application folder, with a recording
// trash function that tests can make fail.
class DiskImageServiceTest : public testing::Test
{
protected:
    struct Entity
    {
        QString mountPoint;
        QString deviceEntry;
    };

    struct Image
    {
        QString location;
        QList<Entity> entities;
        const char* locationKey = "image-path";
    };

    // A space in the path, as in macOS's Application Support, exercises URL escaping.
    QString applicationPath() const { return root.path() + QStringLiteral("/Application Support/Kovara"); }
    QString storagePath() const { return applicationPath() + QStringLiteral("/Vaults.noindex"); }

    Vault vaultNamed(const QString& name) const
    {
        const QUuid id = QUuid::createUuid();
        return Vault{id, name,
                     QUrl::fromLocalFile(storagePath() + QLatin1Char('/') + id.toString(QUuid::WithoutBraces).toLower() +
                                         QStringLiteral(".sparsebundle")),
                     QDateTime::currentDateTimeUtc()};
    }

    // A vault whose image exists in a prepared storage folder.
    Vault existingVault(const QString& name) const
    {
        const Vault vault = vaultNamed(name);
        QDir().mkpath(vault.imageURL.toLocalFile());
        return vault;
    }

    QString mountPointFor(const QString& name) const
    {
        const QString path = root.path() + QStringLiteral("/mounts/") + name;
        QDir().mkpath(path);
        return path;
    }

    static QByteArray propertyList(plist_t root, bool binary)
    {
        char* bytes = nullptr;
        uint32_t length = 0;
        if (binary) {
            plist_to_bin(root, &bytes, &length);
        } else {
            plist_to_xml(root, &bytes, &length);
        }
        QByteArray result(bytes, length);
        binary ? plist_to_bin_free(bytes) : plist_to_xml_free(bytes);
        plist_free(root);
        return result;
    }

    static plist_t entitiesNode(const QList<Entity>& entities)
    {
        plist_t list = plist_new_array();
        for (const Entity& entity : entities) {
            plist_t dictionary = plist_new_dict();
            plist_dict_set_item(dictionary, "content-hint", plist_new_string("Apple_APFS"));
            if (!entity.mountPoint.isNull()) {
                plist_dict_set_item(dictionary, "mount-point", plist_new_string(entity.mountPoint.toUtf8().constData()));
            }
            if (!entity.deviceEntry.isNull()) {
                plist_dict_set_item(dictionary, "dev-entry", plist_new_string(entity.deviceEntry.toUtf8().constData()));
            }
            plist_array_append_item(list, dictionary);
        }
        return list;
    }

    // What "hdiutil info -plist" prints for these images.
    static QByteArray infoPropertyList(const QList<Image>& images, bool binary = false)
    {
        plist_t list = plist_new_array();
        for (const Image& image : images) {
            plist_t dictionary = plist_new_dict();
            if (!image.location.isNull()) {
                plist_dict_set_item(dictionary, image.locationKey, plist_new_string(image.location.toUtf8().constData()));
            }
            plist_dict_set_item(dictionary, "system-entities", entitiesNode(image.entities));
            plist_array_append_item(list, dictionary);
        }
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "framework", plist_new_string("7.0"));
        plist_dict_set_item(root, "images", list);
        return propertyList(root, binary);
    }

    // What "hdiutil attach -plist" prints.
    static QByteArray attachPropertyList(const QList<Entity>& entities)
    {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "system-entities", entitiesNode(entities));
        return propertyList(root, false);
    }

    template <typename Task>
    static VaultError vaultErrorFrom(Task&& task)
    {
        try {
            waitForTask(std::forward<Task>(task));
        } catch (const VaultError& error) {
            return error;
        }
        throw std::logic_error("expected a VaultError");
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(applicationPath());
    FakeSystemTools tools;
    SystemProcessRunner runner{tools.table()};
    QList<QString> trashedPaths;
    std::function<std::optional<QUrl>(const QUrl&)> trashBehaviour = [this](const QUrl& location) -> std::optional<QUrl> {
        trashedPaths.append(location.toLocalFile());
        return std::nullopt;
    };
    DiskImageService service{paths, runner, [this](const QUrl& location) { return trashBehaviour(location); }};
};
