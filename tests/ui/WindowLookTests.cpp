#include "model/VaultRegistry.h"
#include "support/InspectableVaultStore.h"
#include "support/TestFiles.h"
#include "ui/ElidedLabel.h"
#include "ui/ItemPicker.h"
#include "ui/KovaraBrand.h"
#include "ui/KovaraPalette.h"
#include "ui/VaultSidebarView.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(PaletteTest, DestructiveRedAndWarningOrangeReadOnLightAndDark)
{
    EXPECT_NEAR(KovaraBrand::contrast(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(KovaraBrand::contrast(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
        const QPalette palette = KovaraPalette::make(scheme);
        for (const QPalette::ColorRole background : {QPalette::Window, QPalette::Base, QPalette::Button}) {
            const QColor behind = palette.color(background);
            EXPECT_GE(KovaraBrand::contrast(KovaraBrand::destructive(palette), behind), 4.5) << int(scheme);
            EXPECT_GE(KovaraBrand::contrast(KovaraBrand::warning(palette), behind), 3.0) << int(scheme);
            EXPECT_GE(KovaraBrand::contrast(palette.color(QPalette::PlaceholderText), behind), 4.5) << int(scheme);
        }
        const int hue = KovaraBrand::destructive(palette).hslHue();
        EXPECT_TRUE(hue <= 10 || hue >= 350) << "still reads as red, not " << hue;
    }
}

TEST(SidebarTest, AVeryLongNameGivesWayToTheLockToggle)
{
    QTemporaryDir root;
    const KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    const QString name = QString(200, QLatin1Char('N'));
    const QUuid id = QUuid::createUuid();
    const QString image =
        paths.storageDirectory.toLocalFile() + "/" + id.toString(QUuid::WithoutBraces) + ".sparsebundle";
    ASSERT_TRUE(QDir().mkpath(image));
    ASSERT_NO_THROW(
        VaultRegistry(paths).save({Vault{id, name, QUrl::fromLocalFile(image), QDateTime::currentDateTimeUtc()}}));
    StoreTestServices services{paths};
    InspectableVaultStore store(paths, services);
    store.refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !store.isBusy() && store.state(id) == VaultRowState::locked; }));
    store.selectVault(id);

    // Shown wide, then narrowed to its minimum, as the user drags the split.
    VaultSidebarView sidebar(store);
    sidebar.resize(400, 300);
    sidebar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sidebar));
    sidebar.resize(sidebar.minimumWidth(), 300);

    QToolButton* toggle = nullptr;
    for (QToolButton* button : sidebar.findChildren<QToolButton*>()) {
        if (button->accessibleName() == "Desbloquear " + name) {
            toggle = button;
        }
    }
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return sidebar.rect().contains(QRect(toggle->mapTo(&sidebar, QPoint(0, 0)), toggle->size()));
    })) << "the toggle lies inside the column";
    const auto* shownName = sidebar.findChild<ElidedLabel*>();
    ASSERT_NE(shownName, nullptr);
    EXPECT_TRUE(shownName->text().endsWith(QString::fromUtf8("…")));

    // What a screen reader says of the row, and the keyboard's way to the toggle.
    auto* list = sidebar.findChild<QListWidget*>();
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(list)->child(0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(QAccessible::Name), name);
    EXPECT_EQ(row->text(QAccessible::Description), "Bloqueado");
    QSignalSpy actions(&sidebar, &VaultSidebarView::actionRequested);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(actions.count(), 1);
    EXPECT_EQ(actions.first().at(1).value<SidebarRowModel::Action>(), SidebarRowModel::Action::requestUnlock);
}

TEST(ItemPickerTest, TakesFilesAndFoldersTogetherAndStillEntersFolders)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Fotos/2024")));
    TestFiles::writeFile(root.path() + "/nota.txt", "x");

    QPointer<ItemPicker> picker = new ItemPicker(nullptr);
    QSignalSpy chosen(picker.data(), &ItemPicker::itemsChosen);
    picker->setDirectory(root.path());
    picker->open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker.data()));
    auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);

    // A folder typed with a trailing slash is entered, not added.
    QTest::keyClicks(name, QStringLiteral("Fotos/"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(picker->directory().absolutePath(), root.path() + "/Fotos");
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(chosen.count(), 0);

    // A folder selected alongside a file is taken with it, and the button still says what it does.
    picker->setDirectory(root.path());
    name->clear();
    QTest::keyClicks(name, QStringLiteral("\"Fotos\" \"nota.txt\""));
    QPushButton* add = picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
    EXPECT_EQ(add->text(), QStringLiteral("Adicionar"));
    QTest::mouseClick(add, Qt::LeftButton);

    ASSERT_EQ(chosen.count(), 1);
    auto urls = chosen.first().first().value<QList<QUrl>>();
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (QList<QUrl>{QUrl::fromLocalFile(root.path() + "/Fotos"),
                                 QUrl::fromLocalFile(root.path() + "/nota.txt")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return picker.isNull(); })) << "the picker deletes itself once closed";
}
