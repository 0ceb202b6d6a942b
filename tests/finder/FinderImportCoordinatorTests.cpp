#include "finder/FinderImportCoordinator.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QUrl file(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

TEST(FinderImportCoordinator, MergesCallsUnderTheFirstRequestAndPresentsOnce)
{
    FinderImportCoordinator coordinator;
    QSignalSpy presentedChanges(&coordinator, &FinderImportCoordinator::isPresentedChanged);

    coordinator.receive({file("/"), QUrl("https://example.com")});
    EXPECT_FALSE(coordinator.request().has_value()) << "nothing usable creates no request";
    EXPECT_EQ(presentedChanges.count(), 0);

    coordinator.receive({file("/a"), file("/b")});
    ASSERT_TRUE(coordinator.request().has_value());
    const QUuid firstID = coordinator.request()->id;
    EXPECT_TRUE(coordinator.isPresented());

    coordinator.receive({file("/b/"), file("/c")});
    EXPECT_EQ(coordinator.request()->id, firstID);
    EXPECT_EQ(coordinator.request()->urls, (QList<QUrl>{file("/a"), file("/b"), file("/c")}));
    EXPECT_EQ(presentedChanges.count(), 1) << "presenting an already presented sheet is not a change";

    // A dismissed sheet stays dismissed when more folders arrive; the banner offers it again.
    coordinator.setPresented(false);
    coordinator.receive({file("/d")});
    EXPECT_FALSE(coordinator.isPresented());
    EXPECT_EQ(coordinator.request()->urls.size(), 4);
    coordinator.presentPendingRequest();
    EXPECT_TRUE(coordinator.isPresented());
    EXPECT_EQ(presentedChanges.count(), 3);
}

TEST(FinderImportCoordinator, CompletionTrimsTheRightRequestAndIgnoresStaleOnes)
{
    FinderImportCoordinator coordinator;
    coordinator.receive({file("/a"), file("/b"), file("/c")});
    const QUuid id = coordinator.request()->id;
    QSignalSpy requestChanges(&coordinator, &FinderImportCoordinator::requestChanged);

    coordinator.complete(QUuid::createUuid(), {file("/a"), file("/b"), file("/c")});
    EXPECT_EQ(coordinator.request()->urls.size(), 3) << "a completion for another request changes nothing";
    EXPECT_EQ(requestChanges.count(), 0);

    // A subset completed while the sheet is dismissed shows it again with the rest.
    coordinator.setPresented(false);
    coordinator.complete(id, {file("/b/."), file("/elsewhere")});
    EXPECT_EQ(coordinator.request()->id, id);
    EXPECT_EQ(coordinator.request()->urls, (QList<QUrl>{file("/a"), file("/c")}));
    EXPECT_TRUE(coordinator.isPresented());

    coordinator.complete(id, {file("/a"), file("/c")});
    EXPECT_FALSE(coordinator.request().has_value());
    EXPECT_FALSE(coordinator.isPresented());

    // Once the request is gone, its late completion and a new one's are kept apart.
    coordinator.receive({file("/x")});
    coordinator.complete(id, {file("/x")});
    ASSERT_TRUE(coordinator.request().has_value());
    EXPECT_NE(coordinator.request()->id, id);

    coordinator.cancel();
    EXPECT_FALSE(coordinator.request().has_value());
    EXPECT_FALSE(coordinator.isPresented());
    coordinator.presentPendingRequest();
    EXPECT_FALSE(coordinator.isPresented()) << "nothing pending, nothing to present";
}

} // namespace
