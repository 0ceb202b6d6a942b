#include "app/Appcast.h"
#include "app/CheckForUpdatesView.h"
#include "app/KovaraUpdater.h"
#include "app/SoftwareVersion.h"
#include "support/LoopbackHttpServer.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Outcome = UpdateCheckResult::Outcome;

QByteArray enclosureFeed(const QByteArray& version, const QByteArray& url)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><item>
  <enclosure url=")" +
           url + R"(" sparkle:version=")" + version + R"(.0" sparkle:shortVersionString=")" + version +
           R"(" length="1024" type="application/octet-stream"/>
</item></channel></rss>)";
}

// Checks a feed served as `response` from a program of `currentVersion`.
UpdateCheckResult check(LoopbackHttpServer& server, const LoopbackHttpServer::Response& response,
                        const QString& currentVersion)
{
    server.respond("/appcast.xml", response);
    KovaraUpdater updater(server.url("/appcast.xml"), currentVersion);
    QSignalSpy finished(&updater, &KovaraUpdater::checkFinished);
    updater.checkForUpdates();
    if (!finished.wait(10'000)) {
        ADD_FAILURE() << "the check did not finish";
        return {};
    }
    return finished.first().first().value<UpdateCheckResult>();
}

TEST(SoftwareVersion, OrdersVersionsAsPeopleReadThem)
{
    const std::pair<const char*, const char*> olderNewer[] = {
        {"1.9", "1.10"},  {"0.1.0", "0.2"},    {"1.0b1", "1.0"},
        {"1.0", "1.0.1"}, {"2.0b3", "2.0rc1"}, {"1.0.0-rc.1", "1.0.0"},
        {"1.0a", "1.0b"}, {"1.0.0b1", "1.0"},  {"99999999999999999999", "100000000000000000000"}};
    for (const auto& [older, newer] : olderNewer) {
        EXPECT_LT(SoftwareVersion(older), SoftwareVersion(newer)) << older << " < " << newer;
        EXPECT_GT(SoftwareVersion(newer), SoftwareVersion(older)) << newer << " > " << older;
    }
    EXPECT_EQ(SoftwareVersion("1.0"), SoftwareVersion("1.0.0"));
    EXPECT_EQ(SoftwareVersion("1.02"), SoftwareVersion("1.2"));
    EXPECT_EQ(SoftwareVersion("2.0-BETA"), SoftwareVersion("2.0 beta"));
}

TEST(Appcast, TakesTheNewestItemWhicheverWayItWritesItsVersion)
{
    const QByteArray feed = R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>
      <item><sparkle:version>1.10</sparkle:version><sparkle:shortVersionString>1.10 (inverno)</sparkle:shortVersionString>
        <link>https://kovara.example/1.10</link></item>
      <item><title>sem versão</title></item>
      <item><enclosure url="https://kovara.example/1.9.tar" sparkle:version="1.9"/></item>
    </channel></rss>)";
    EXPECT_EQ(Appcast::items(feed).size(), 2);
    EXPECT_EQ(Appcast::newestItem(feed), (AppcastItem{"1.10", "1.10 (inverno)", QUrl("https://kovara.example/1.10")}));
    for (const QByteArray& malformed :
         {QByteArray("not xml at all"), QByteArray("<rss><channel><item><enclosure sparkle:version='2'/></item>"),
          QByteArray("<html><body>Oops</body></html>"), QByteArray("<rss><channel><item/></channel></rss>"),
          QByteArray("<rss><channel><item><sparkle:version>2</sparkle:version></item></channel></rss>")}) {
        EXPECT_THROW(Appcast::items(malformed), Appcast::FormatError) << malformed.constData();
    }
}

TEST(KovaraUpdater, ReportsANewerVersionTheSameVersionAndWhatWentWrong)
{
    LoopbackHttpServer server;
    const UpdateCheckResult newer =
        check(server, {200, enclosureFeed("0.3", "https://kovara.example/kovara-0.3.tar.gz"), {}}, "0.2.9");
    EXPECT_EQ(newer.outcome, Outcome::updateAvailable);
    EXPECT_EQ(newer.downloadURL, QUrl("https://kovara.example/kovara-0.3.tar.gz"));
    EXPECT_EQ(newer.message(), "O Kovara 0.3 está disponível. Você usa a versão 0.2.9.");

    const UpdateCheckResult same = check(server, {200, enclosureFeed("0.3", "https://x.example/k"), {}}, "0.3");
    EXPECT_EQ(same.outcome, Outcome::upToDate);
    EXPECT_EQ(same.title(), "O Kovara está atualizado");

    // A download address that is not secure is never offered.
    const UpdateCheckResult insecure =
        check(server, {200, enclosureFeed("9", "http://kovara.example/k.tar.gz"), {}}, "0.3");
    EXPECT_EQ(insecure.outcome, Outcome::updateAvailable);
    EXPECT_TRUE(insecure.downloadURL.isEmpty());

    const std::pair<LoopbackHttpServer::Response, QString> failures[] = {
        {{200, "<rss><channel><item>", {}}, "O servidor de atualizações enviou uma resposta inválida."},
        {{500, "boom", {}}, "O servidor de atualizações respondeu com o erro 500."},
        // A loopback feed that sends the check to a plain-HTTP host elsewhere is not followed.
        {{302, {}, {{"Location", "http://updates.kovara.example/appcast.xml"}}},
         "O servidor de atualizações tentou usar uma conexão insegura."},
    };
    for (const auto& [response, message] : failures) {
        const UpdateCheckResult failed = check(server, response, "0.3");
        EXPECT_EQ(failed.outcome, Outcome::failed);
        EXPECT_EQ(failed.message(), message);
    }
}

TEST(KovaraUpdater, TheMenuItemIsDisabledWhileACheckRunsAndTheResultIsShown)
{
    LoopbackHttpServer server;
    server.respond("/appcast.xml", {200, enclosureFeed("5.0", "https://kovara.example/5"), {}});
    KovaraUpdater updater(server.url("/appcast.xml"), "1.0");
    QWidget window;
    CheckForUpdatesView view(updater, &window);
    QAction* item = view.action();
    EXPECT_EQ(item->text(), "Verificar Atualizações…");
    ASSERT_TRUE(item->isEnabled());

    server.setHolding(true);
    QSignalSpy received(&server, &LoopbackHttpServer::requestReceived);
    QSignalSpy finished(&updater, &KovaraUpdater::checkFinished);
    item->trigger();
    ASSERT_TRUE(received.wait(10'000));
    EXPECT_FALSE(item->isEnabled()) << "disabled while the feed is on its way";
    item->trigger();
    updater.checkForUpdates();
    server.setHolding(false);
    ASSERT_TRUE(finished.wait(10'000));
    EXPECT_TRUE(item->isEnabled());
    EXPECT_EQ(received.count(), 1) << "triggers while checking start nothing";

    const auto boxes = window.findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->text(), "Há uma nova versão do Kovara");
    EXPECT_EQ(boxes.first()->informativeText(), "O Kovara 5.0 está disponível. Você usa a versão 1.0.");
    EXPECT_EQ(boxes.first()->defaultButton()->text(), "Baixar");
}

TEST(KovaraUpdater, RefusesFeedsThatAreNotSecure)
{
    EXPECT_TRUE(KovaraUpdater::isSecureLocation(QUrl("https://updates.kovara.example/appcast.xml")));
    EXPECT_TRUE(KovaraUpdater::isSecureLocation(QUrl("http://[::1]:8080/appcast.xml")));
    EXPECT_TRUE(KovaraUpdater::isSecureLocation(QUrl("http://localhost/appcast.xml")));
    EXPECT_FALSE(KovaraUpdater::isSecureLocation(QUrl("http://127.0.0.1.evil.example/appcast.xml")));
    EXPECT_FALSE(KovaraUpdater::isSecureLocation(QUrl("ftp://127.0.0.1/appcast.xml")));
    EXPECT_FALSE(KovaraUpdater::isSecureLocation(QUrl("file:///tmp/appcast.xml")));

    KovaraUpdater plain(QUrl("http://updates.kovara.example/appcast.xml"), "1.0");
    QWidget window;
    CheckForUpdatesView view(plain, &window);
    EXPECT_FALSE(view.action()->isEnabled());
    QSignalSpy ignored(&plain, &KovaraUpdater::checkFinished);
    plain.checkForUpdates();
    EXPECT_FALSE(plain.canCheckForUpdates());
    EXPECT_TRUE(ignored.isEmpty());
}

} // namespace
