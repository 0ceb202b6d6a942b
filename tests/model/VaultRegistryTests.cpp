#include "model/ErrorMessage.h"
#include "model/KovaraPaths.h"
#include "model/VaultRegistry.h"
#include "support/QtValuePrinters.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

using TestFiles::readAll;
using TestFiles::writeFile;

namespace {

const QString invalid = "O catálogo de cofres contém dados inválidos e não foi alterado. ";

QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
}

QByteArray catalogueOf(const QList<QJsonObject>& entries)
{
    QJsonArray array;
    for (const QJsonObject& entry : entries) {
        array.append(entry);
    }
    return QJsonDocument(array).toJson();
}

// The user text of whatever `action` throws, or an empty string when it succeeds.
QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        return userMessage(std::current_exception());
    }
    return {};
}

class VaultRegistryTest : public testing::Test
{
protected:
    // "Application Support" keeps a space in every path, as on the original platform, so the
    // percent-encoding of image URLs is always exercised.
    QString applicationPath() const { return root.path() + "/Application Support/Kovara"; }
    QString storagePath() const { return applicationPath() + "/Vaults.noindex"; }
    QString registryPath() const { return applicationPath() + "/vaults.json"; }
    VaultRegistry registry() const { return VaultRegistry(KovaraPaths::under(applicationPath())); }
    QString imagePathOf(const QUuid& id) const
    {
        return storagePath() + "/" + id.toString(QUuid::WithoutBraces) + ".sparsebundle";
    }

    Vault vaultNamed(const QString& name, const QUuid& id = QUuid::createUuid()) const
    {
        return Vault{id, name, QUrl::fromLocalFile(imagePathOf(id)), referenceDate().addSecs(700'000'000)};
    }

    // An entry whose `key` holds `value` instead (none when `value` is undefined).
    QJsonObject entryWith(const char* key, const QJsonValue& value, const QUuid& id = QUuid::createUuid()) const
    {
        QJsonObject entry = vaultNamed("A", id).toJson();
        if (value.isUndefined()) {
            entry.remove(key);
        } else {
            entry[key] = value;
        }
        return entry;
    }

    void resetApplicationFolder()
    {
        QDir(root.path() + "/Application Support").removeRecursively();
        QDir(root.path() + "/elsewhere").removeRecursively();
        QDir().mkpath(storagePath());
    }

    QTemporaryDir root;
};

TEST(KovaraPathsTest, theCatalogueSitsBesideTheStorageFolderInTheUsersDataFolder)
{
    const KovaraPaths paths = KovaraPaths::under("/data/Kovara");
    EXPECT_EQ(paths.storageDirectory, QUrl("file:///data/Kovara/Vaults.noindex/"));
    EXPECT_EQ(paths.registryURL, QUrl("file:///data/Kovara/vaults.json"));
    // The live location is the user's data folder (here the test's private one), untouched.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_EQ(KovaraPaths::live(), KovaraPaths::under(dataHome + "/Kovara"));
    EXPECT_FALSE(QFileInfo::exists(dataHome + "/Kovara"));
}

TEST_F(VaultRegistryTest, savesTheExactCatalogueFormatAndReplacesTheFileWhole)
{
    Vault diary = vaultNamed("Diário", QUuid("{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}"));
    diary.createdAt = referenceDate().addMSecs(123'456'789'500);
    const Vault photos = vaultNamed("Fotos");
    registry().save({diary, photos}); // nothing exists yet: the first save creates the folders

    const QByteArray saved = readAll(registryPath());
    EXPECT_TRUE(saved.startsWith("[\n    {\n"
                                 "        \"createdAt\": 123456789.5,\n"
                                 "        \"id\": \"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\n"
                                 "        \"imageURL\": \"" +
                                 QUrl::fromLocalFile(root.path()).toString(QUrl::FullyEncoded).toUtf8() +
                                 "/Application%20Support/Kovara/Vaults.noindex/"
                                 "e621e1f8-c36c-495a-93fc-0c247a3e6e5f.sparsebundle\",\n"
                                 "        \"name\": \"Diário\"\n"
                                 "    },\n"))
        << saved.constData();
    EXPECT_TRUE(saved.endsWith("\"name\": \"Fotos\"\n    }\n]\n")) << saved.constData();

    // Read back, the list is the same, in the same order, down to the millisecond. A reader that
    // had the old file open still reads it whole: the new one replaced it, it was not rewritten.
    QFile reader(registryPath());
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    Vault now = vaultNamed("Agora");
    now.createdAt = QDateTime::currentDateTime();
    registry().save({photos, now, diary});
    EXPECT_EQ(registry().load().vaults, (QList<Vault>{photos, now, diary}));
    EXPECT_EQ(reader.readAll(), saved);
    registry().save({});
    EXPECT_EQ(registry().load().vaults, QList<Vault>{});
}

TEST_F(VaultRegistryTest, loadRefusesACatalogueThatIsNotOne)
{
    const QString format = "Não foi possível ler os dados porque eles não estão no formato correto.";
    const QUuid id = QUuid::createUuid();
    const QString lowerID = id.toString(QUuid::WithoutBraces);
    const struct
    {
        const char* situation;
        QByteArray catalogue;
        QString expected;
    } cases[] = {
        {"two entries share an id", catalogueOf({vaultNamed("A", id).toJson(), vaultNamed("B", id).toJson()}),
         invalid + "Há IDs de cofre repetidos."},
        {"malformed JSON", "[{\"id\": ", format},
        {"an empty file", "", format},
        {"an object instead of an array", QJsonDocument(vaultNamed("A").toJson()).toJson(), format},
        {"an entry without a name", catalogueOf({entryWith("name", QJsonValue::Undefined)}), format},
        {"a date that is text", catalogueOf({entryWith("createdAt", "2024-01-01")}), format},
        {"an id that is not a UUID", catalogueOf({entryWith("id", "{" + lowerID + "}")}), format},
    };
    for (const auto& bad : cases) {
        resetApplicationFolder();
        writeFile(registryPath(), bad.catalogue);
        EXPECT_EQ(failureOf([this] { registry().load(); }), bad.expected) << bad.situation;
    }

    resetApplicationFolder();
    writeFile(root.path() + "/elsewhere/vaults.json", catalogueOf({vaultNamed("A").toJson()}));
    QFile::link(root.path() + "/elsewhere/vaults.json", registryPath());
    EXPECT_EQ(failureOf([this] { registry().load(); }), invalid + "vaults.json não pode ser um link simbólico.");
    QDir(applicationPath()).removeRecursively();
    writeFile(applicationPath(), "not a folder");
    EXPECT_EQ(failureOf([this] { registry().load(); }), "vaults.json: Não é um diretório");
}

// A tampered entry is loaded with the rule it breaks, beside every sound one; a save writes it
// back as it was, but never lets a new bad entry in.
TEST_F(VaultRegistryTest, oneBadEntryCostsOnlyItsOwnRow)
{
    const QString names = "Há nomes de cofre vazios ou repetidos.";
    const QString outside = "O caminho de um cofre está fora de Vaults.noindex.";
    const QString linked = "A imagem de um cofre não pode ser um link simbólico.";
    const QUuid id = QUuid::createUuid();
    const QString lowerID = id.toString(QUuid::WithoutBraces);
    const QString storageURL = QUrl::fromLocalFile(storagePath()).toString(QUrl::FullyEncoded);
    const struct
    {
        const char* situation;
        QList<QJsonObject> entries; // the last one is the bad one
        QString expected;
    } cases[] = {
        {"names differ only in letter case", {vaultNamed("Diário").toJson(), vaultNamed("DIÁRIO").toJson()}, names},
        {"names differ in accents", {vaultNamed("Ação").toJson(), vaultNamed("Aca\u0300o").toJson()}, names},
        {"names differ only in surrounding white space",
         {vaultNamed("Fotos").toJson(), vaultNamed(" Fotos\n").toJson()},
         names},
        {"a name is only white space", {vaultNamed(" \t ").toJson()}, names},
        {"the image path leaves Vaults.noindex through ..",
         {entryWith("imageURL", storageURL + "/../" + lowerID + ".sparsebundle", id)},
         outside},
        {"the image file name is the upper-case id",
         {entryWith("imageURL", storageURL + "/" + lowerID.toUpper() + ".sparsebundle", id)},
         outside},
        {"the image URL is relative",
         {entryWith("imageURL", "Vaults.noindex/" + lowerID + ".sparsebundle", id)},
         outside},
        {"the image URL is not a file URL",
         {entryWith("imageURL", "https://example.com/" + lowerID + ".sparsebundle", id)},
         outside},
        {"the image is a link to a folder elsewhere", {vaultNamed("Ligado", id).toJson()}, linked},
    };
    const Vault sound = vaultNamed("Bom");
    for (const auto& bad : cases) {
        resetApplicationFolder();
        QDir().mkpath(imagePathOf(sound.id));
        QDir().mkpath(root.path() + "/elsewhere/real.sparsebundle");
        QFile::link(root.path() + "/elsewhere/real.sparsebundle", imagePathOf(id));
        writeFile(registryPath(), catalogueOf(QList<QJsonObject>{sound.toJson()} + bad.entries));
        const QUuid badID(bad.entries.last()["id"].toString());

        const VaultRegistry::Contents loaded = registry().load();
        ASSERT_EQ(loaded.vaults.size(), bad.entries.size() + 1) << bad.situation;
        EXPECT_EQ(loaded.vaults.first(), sound) << bad.situation;
        EXPECT_EQ(loaded.problems, (QHash<QUuid, QString>{{badID, bad.expected}})) << bad.situation;

        const QList<Vault> withNew = loaded.vaults + QList<Vault>{vaultNamed("Novo")};
        const QSet<QUuid> known{badID};
        registry().save(withNew, known);
        EXPECT_EQ(registry().load().vaults, withNew) << bad.situation;
        EXPECT_EQ(failureOf([&] { registry().save(withNew); }), invalid + bad.expected) << bad.situation;
        EXPECT_EQ(failureOf([&] { registry().save(withNew + QList<Vault>{vaultNamed(" ")}, known); }), invalid + names)
            << bad.situation;
    }
}

TEST_F(VaultRegistryTest, loadAcceptsWhatAValidCatalogueMayHold)
{
    resetApplicationFolder();
    EXPECT_EQ(registry().load().vaults, QList<Vault>{}) << "no catalogue yet: no vaults";

    // An image that is gone is not a catalogue error (the vault shows as missing); a path that
    // wanders out and back in is judged after standardizing; any JSON white space is read.
    const Vault present = vaultNamed("Presente");
    QDir().mkpath(imagePathOf(present.id));
    const Vault missing = vaultNamed("Ausente");
    Vault wandering = vaultNamed("Volta");
    wandering.imageURL = QUrl(QUrl::fromLocalFile(storagePath()).toString(QUrl::FullyEncoded) + "/../Vaults.noindex/" +
                              wandering.id.toString(QUuid::WithoutBraces) + ".sparsebundle");
    writeFile(registryPath(), QJsonDocument(QJsonArray{present.toJson(), missing.toJson(), wandering.toJson()})
                                  .toJson(QJsonDocument::Compact));
    EXPECT_EQ(registry().load().vaults, (QList<Vault>{present, missing, wandering}));
}

TEST_F(VaultRegistryTest, saveRefusesLinkedFoldersAndKeepsTheOldFile)
{
    const QByteArray oldCatalogue = catalogueOf({vaultNamed("Antigo").toJson()});
    const QString elsewhere = root.path() + "/elsewhere";
    const struct
    {
        const char* situation;
        std::function<void()> prepare;
        QString expected;
    } cases[] = {
        {"the Kovara folder is a link",
         [&] {
             QDir(applicationPath()).removeRecursively();
             writeFile(elsewhere + "/vaults.json", oldCatalogue);
             QFile::link(elsewhere, applicationPath());
         },
         invalid + "A pasta Kovara não pode ser um link simbólico."},
        {"Vaults.noindex is a link",
         [&] {
             QDir(storagePath()).removeRecursively();
             QDir().mkpath(elsewhere);
             QFile::link(elsewhere, storagePath());
             writeFile(registryPath(), oldCatalogue);
         },
         invalid + "Vaults.noindex não pode ser um link simbólico."},
        {"vaults.json is a link",
         [&] {
             writeFile(elsewhere + "/vaults.json", oldCatalogue);
             QFile::link(elsewhere + "/vaults.json", registryPath());
         },
         invalid + "vaults.json não pode ser um link simbólico."},
    };
    for (const auto& linked : cases) {
        resetApplicationFolder();
        linked.prepare();
        const QStringList before = TestFiles::entriesOf(elsewhere);
        EXPECT_EQ(failureOf([this] { registry().save({vaultNamed("Novo")}); }), linked.expected) << linked.situation;
        EXPECT_EQ(readAll(registryPath()), oldCatalogue) << linked.situation;
        EXPECT_EQ(TestFiles::entriesOf(elsewhere), before) << linked.situation;
    }
}

TEST_F(VaultRegistryTest, saveRefusesAFolderItCannotWrite)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write anywhere";
    }
    resetApplicationFolder();
    QFile::setPermissions(applicationPath(), QFile::ReadOwner | QFile::ExeOwner);
    const QString failure = failureOf([this] { registry().save({vaultNamed("Novo")}); });
    QFile::setPermissions(applicationPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(failure, "O catálogo de cofres não pôde ser usado e não foi alterado. A pasta Kovara não permite "
                       "gravação; confira as permissões de " +
                           applicationPath() + ".");
    EXPECT_FALSE(QFileInfo::exists(registryPath()));
}

} // namespace
