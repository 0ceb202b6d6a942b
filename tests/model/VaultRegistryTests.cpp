#include "model/ErrorMessage.h"
#include "model/KovaraPaths.h"
#include "model/VaultRegistry.h"
#include "support/QtValuePrinters.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace {

const QString invalidRegistryPrefix = QStringLiteral("O catálogo de cofres contém dados inválidos e não foi alterado. ");

QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
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
    KovaraPaths paths() const { return KovaraPaths::under(applicationPath()); }
    VaultRegistry registry() const { return VaultRegistry(paths()); }

    QString imagePathOf(const QUuid& id) const
    {
        return storagePath() + "/" + id.toString(QUuid::WithoutBraces) + ".sparsebundle";
    }

    Vault vaultNamed(const QString& name, const QUuid& id = QUuid::createUuid()) const
    {
        return Vault{id, name, QUrl::fromLocalFile(imagePathOf(id)), referenceDate().addSecs(700'000'000)};
    }

    void resetApplicationFolder()
    {
        QDir(root.path() + "/Application Support").removeRecursively();
        QDir(root.path() + "/elsewhere").removeRecursively();
        QDir().mkpath(storagePath());
    }

    QTemporaryDir root;
};

TEST(KovaraPathsTest, catalogueSitsBesideTheStorageFolder)
{
    const KovaraPaths paths = KovaraPaths::under("/data/Kovara");
    EXPECT_EQ(paths.applicationDirectory, QUrl("file:///data/Kovara/"));
    EXPECT_EQ(paths.storageDirectory, QUrl("file:///data/Kovara/Vaults.noindex/"));
    EXPECT_EQ(paths.registryURL, QUrl("file:///data/Kovara/vaults.json"));
    EXPECT_EQ(VaultRegistry(paths).applicationDirectory(), paths.applicationDirectory);

    // The live location is the user's data folder (here the test's private one), untouched.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_EQ(KovaraPaths::live(), KovaraPaths::under(dataHome + "/Kovara"));
    EXPECT_FALSE(QFileInfo::exists(dataHome + "/Kovara"));
}

TEST_F(VaultRegistryTest, savesTheExactCatalogueFormat)
{
    const QUuid id("{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}");
    Vault diary = vaultNamed("Diário", id);
    diary.createdAt = referenceDate().addMSecs(123'456'789'500);
    const Vault photos = vaultNamed("Fotos");

    registry().save({diary, photos}); // nothing exists yet: the first save creates the folders

    const QString encodedRoot = QUrl::fromLocalFile(root.path()).toString(QUrl::FullyEncoded);
    const QByteArray expectedDiary = "    {\n"
                                     "        \"createdAt\": 123456789.5,\n"
                                     "        \"id\": \"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\n"
                                     "        \"imageURL\": \"" +
                                     encodedRoot.toUtf8() +
                                     "/Application%20Support/Kovara/Vaults.noindex/"
                                     "e621e1f8-c36c-495a-93fc-0c247a3e6e5f.sparsebundle\",\n"
                                     "        \"name\": \"Diário\"\n"
                                     "    },\n";
    const QByteArray saved = readFile(registryPath());
    EXPECT_TRUE(saved.startsWith("[\n" + expectedDiary)) << saved.constData();
    EXPECT_TRUE(saved.endsWith("\"name\": \"Fotos\"\n    }\n]\n")) << saved.constData();

    // Read back, the list is the same, in the same order, down to the millisecond.
    Vault now = vaultNamed("Agora");
    now.createdAt = QDateTime::currentDateTime();
    registry().save({photos, now, diary});
    EXPECT_EQ(registry().load(), (QList<Vault>{photos, now, diary}));

    registry().save({});
    EXPECT_EQ(registry().load(), QList<Vault>{});
}

TEST_F(VaultRegistryTest, loadRefusesEveryTamperedCatalogue)
{
    struct BadCatalogue
    {
        const char* situation;
        std::function<void()> prepare;
        QString expected;
    };
    const QString format = QStringLiteral("Não foi possível ler os dados porque eles não estão no formato correto.");
    const QUuid id = QUuid::createUuid();
    const QString lowerID = id.toString(QUuid::WithoutBraces);
    const auto withImage = [this](const Vault& vault, const QString& imageURL) {
        QJsonObject entry = vault.toJson();
        entry["imageURL"] = imageURL;
        return entry;
    };

    const BadCatalogue cases[] = {
        {"two entries share an id",
         [&] { writeFile(registryPath(), catalogueOf({vaultNamed("A", id).toJson(), vaultNamed("B", id).toJson()})); },
         invalidRegistryPrefix + "Há IDs de cofre repetidos."},
        {"names differ only in letter case",
         [&] { writeFile(registryPath(), catalogueOf({vaultNamed("Diário").toJson(), vaultNamed("DIÁRIO").toJson()})); },
         invalidRegistryPrefix + "Há nomes de cofre vazios ou repetidos."},
        {"names differ only in accents",
         [&] { writeFile(registryPath(), catalogueOf({vaultNamed("Ação").toJson(), vaultNamed("Acao").toJson()})); },
         invalidRegistryPrefix + "Há nomes de cofre vazios ou repetidos."},
        {"names differ only in surrounding white space",
         [&] { writeFile(registryPath(), catalogueOf({vaultNamed("Fotos").toJson(), vaultNamed(" Fotos\n").toJson()})); },
         invalidRegistryPrefix + "Há nomes de cofre vazios ou repetidos."},
        {"a name is only white space",
         [&] { writeFile(registryPath(), catalogueOf({vaultNamed(" \t ").toJson()})); },
         invalidRegistryPrefix + "Há nomes de cofre vazios ou repetidos."},
        {"the image path leaves Vaults.noindex through ..",
         [&] {
             const Vault vault = vaultNamed("A", id);
             const QString escaping = QUrl::fromLocalFile(storagePath()).toString(QUrl::FullyEncoded) + "/../" + lowerID + ".sparsebundle";
             writeFile(registryPath(), catalogueOf({withImage(vault, escaping)}));
         },
         invalidRegistryPrefix + "O caminho de um cofre está fora de Vaults.noindex."},
        {"the image file name is the upper-case id",
         [&] {
             const QString upper = QUrl::fromLocalFile(storagePath() + "/" + lowerID.toUpper() + ".sparsebundle").toString(QUrl::FullyEncoded);
             writeFile(registryPath(), catalogueOf({withImage(vaultNamed("A", id), upper)}));
         },
         invalidRegistryPrefix + "O caminho de um cofre está fora de Vaults.noindex."},
        {"the image URL is relative",
         [&] {
             writeFile(registryPath(),
                       catalogueOf({withImage(vaultNamed("A", id), "Vaults.noindex/" + lowerID + ".sparsebundle")}));
         },
         invalidRegistryPrefix + "O caminho de um cofre está fora de Vaults.noindex."},
        {"the image URL is not a file URL",
         [&] {
             const QString web = "https://example.com/" + lowerID + ".sparsebundle";
             writeFile(registryPath(), catalogueOf({withImage(vaultNamed("A", id), web)}));
         },
         invalidRegistryPrefix + "O caminho de um cofre está fora de Vaults.noindex."},
        {"the image is a symbolic link",
         [&] {
             QDir().mkpath(root.path() + "/elsewhere/real.sparsebundle");
             QFile::link(root.path() + "/elsewhere/real.sparsebundle", imagePathOf(id));
             writeFile(registryPath(), catalogueOf({vaultNamed("A", id).toJson()}));
         },
         invalidRegistryPrefix + "Um sparsebundle não pode ser um link simbólico."},
        {"vaults.json is a symbolic link",
         [&] {
             writeFile(root.path() + "/elsewhere/vaults.json", catalogueOf({vaultNamed("A").toJson()}));
             QFile::link(root.path() + "/elsewhere/vaults.json", registryPath());
         },
         invalidRegistryPrefix + "vaults.json não pode ser um link simbólico."},
        {"the application folder is a file, so vaults.json cannot even be examined",
         [&] {
             QDir(applicationPath()).removeRecursively();
             writeFile(applicationPath(), "not a folder");
         },
         QStringLiteral("Não é um diretório")},
        {"malformed JSON", [&] { writeFile(registryPath(), "[{\"id\": "); }, format},
        {"an empty file", [&] { writeFile(registryPath(), ""); }, format},
        {"an object instead of an array",
         [&] { writeFile(registryPath(), QJsonDocument(vaultNamed("A").toJson()).toJson()); }, format},
        {"an entry without a name",
         [&] {
             QJsonObject entry = vaultNamed("A").toJson();
             entry.remove("name");
             writeFile(registryPath(), catalogueOf({entry}));
         },
         format},
        {"a date that is text",
         [&] {
             QJsonObject entry = vaultNamed("A").toJson();
             entry["createdAt"] = "2024-01-01";
             writeFile(registryPath(), catalogueOf({entry}));
         },
         format},
        {"an id that is not a UUID",
         [&] {
             QJsonObject entry = vaultNamed("A").toJson();
             entry["id"] = "{" + lowerID + "}";
             writeFile(registryPath(), catalogueOf({entry}));
         },
         format},
    };

    for (const BadCatalogue& bad : cases) {
        resetApplicationFolder();
        bad.prepare();
        EXPECT_EQ(failureOf([this] { registry().load(); }), bad.expected) << bad.situation;
    }
}

TEST_F(VaultRegistryTest, loadAcceptsWhatAValidCatalogueMayHold)
{
    resetApplicationFolder();
    EXPECT_EQ(registry().load(), QList<Vault>{}) << "no catalogue yet: no vaults";

    // An image that is gone is not a catalogue error (the vault shows as missing); a path that
    // wanders out and back in is judged after standardizing; any JSON white space is read.
    const Vault present = vaultNamed("Presente");
    QDir().mkpath(imagePathOf(present.id));
    const Vault missing = vaultNamed("Ausente");
    Vault wandering = vaultNamed("Volta");
    wandering.imageURL = QUrl(QUrl::fromLocalFile(storagePath()).toString(QUrl::FullyEncoded) + "/../Vaults.noindex/" +
                              wandering.id.toString(QUuid::WithoutBraces) + ".sparsebundle");
    QJsonArray array{present.toJson(), missing.toJson(), wandering.toJson()};
    writeFile(registryPath(), QJsonDocument(array).toJson(QJsonDocument::Compact));

    EXPECT_EQ(registry().load(), (QList<Vault>{present, missing, wandering}));
}

TEST_F(VaultRegistryTest, saveRefusesLinkedFoldersAndKeepsTheOldFile)
{
    struct LinkedPlace
    {
        const char* situation;
        std::function<void()> prepare;
        QString expected;
    };
    const QByteArray oldCatalogue = catalogueOf({vaultNamed("Antigo").toJson()});
    const LinkedPlace cases[] = {
        {"the Kovara folder is a link",
         [&] {
             QDir(applicationPath()).removeRecursively();
             writeFile(root.path() + "/elsewhere/vaults.json", oldCatalogue);
             QFile::link(root.path() + "/elsewhere", applicationPath());
         },
         invalidRegistryPrefix + "A pasta Kovara não pode ser um link simbólico."},
        {"Vaults.noindex is a link",
         [&] {
             QDir(storagePath()).removeRecursively();
             QDir().mkpath(root.path() + "/elsewhere");
             QFile::link(root.path() + "/elsewhere", storagePath());
             writeFile(registryPath(), oldCatalogue);
         },
         invalidRegistryPrefix + "Vaults.noindex não pode ser um link simbólico."},
        {"vaults.json is a link",
         [&] {
             writeFile(root.path() + "/elsewhere/vaults.json", oldCatalogue);
             QFile::link(root.path() + "/elsewhere/vaults.json", registryPath());
         },
         invalidRegistryPrefix + "vaults.json não pode ser um link simbólico."},
    };

    for (const LinkedPlace& linked : cases) {
        resetApplicationFolder();
        linked.prepare();
        const QStringList before = QDir(root.path() + "/elsewhere").entryList(QDir::AllEntries | QDir::Hidden);
        EXPECT_EQ(failureOf([this] { registry().save({vaultNamed("Novo")}); }), linked.expected) << linked.situation;
        EXPECT_EQ(readFile(registryPath()), oldCatalogue) << linked.situation;
        EXPECT_EQ(QDir(root.path() + "/elsewhere").entryList(QDir::AllEntries | QDir::Hidden), before)
            << linked.situation;
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

TEST(VaultNameComparisonTest, ignoresCaseAccentsAndSurroundingSpace)
{
    const auto key = &VaultRegistry::nameComparisonKey;
    EXPECT_EQ(key("  Ação\n"), key("acao"));
    EXPECT_EQ(key("ÉCOLE"), key("école"));
    EXPECT_EQ(key("Cofre"), key("Co\u0301fre")) << "a combining accent counts as none";
    EXPECT_NE(key("Cofre 1"), key("Cofre 2"));
    EXPECT_NE(key("Meu cofre"), key("Meucofre")) << "inner spaces matter";
    EXPECT_TRUE(key(" \u0301 ").isEmpty());
}

} // namespace
