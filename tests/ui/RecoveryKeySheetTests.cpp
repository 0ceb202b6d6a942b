// The sheet that shows a new vault's recovery key once, driven as a user drives it.
#include "platform/SecretText.h"
#include "support/WindowScreenshot.h"
#include "ui/RecoveryKeySheet.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QPushButton* button(QWidget& parent, const QString& text)
{
    for (QPushButton* candidate : parent.findChildren<QPushButton*>()) {
        if (candidate->isVisible() && candidate->text() == text) {
            return candidate;
        }
    }
    return nullptr;
}

QMessageBox* confirmation(QWidget& parent)
{
    for (QMessageBox* box : parent.findChildren<QMessageBox*>()) {
        if (box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

TEST(RecoveryKeySheet, showsTheKeyInGroupsAsOneTextAndAsksBeforeClosingUncopied)
{
    const QString digits = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    QWidget window;
    window.resize(800, 600);
    window.show();
    const Vault vault{QUuid::createUuid(), "Diário", {}, {}};
    QPointer<RecoveryKeySheet> sheet = new RecoveryKeySheet(vault, std::make_shared<SecretText>(digits), &window);
    sheet->open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));

    QLabel* key = nullptr;
    for (QLabel* label : sheet->findChildren<QLabel*>()) {
        key = label->accessibleName() == "Chave de recuperação" ? label : key;
    }
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->text(), "0123-4567-89ab-cdef-0123-4567-89ab-cdef\n0123-4567-89ab-cdef-0123-4567-89ab-cdef");
    EXPECT_EQ(key->accessibleDescription(), digits) << "a screen reader reads the digits as one text";
    saveWindowScreenshots(*sheet, "recovery-key-sheet");

    // Closing before copying asks first; going back keeps the key on screen.
    QTest::mouseClick(button(*sheet, "Guardei a chave de recuperação"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return confirmation(*sheet) != nullptr; }));
    EXPECT_EQ(confirmation(*sheet)->text(), "Fechar sem copiar a chave?");
    QTest::mouseClick(button(*confirmation(*sheet), "Voltar à chave"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return confirmation(*sheet) == nullptr; }));
    EXPECT_TRUE(sheet->isVisible());
    QTest::keyClick(sheet, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return confirmation(*sheet) != nullptr; }));
    QTest::mouseClick(button(*confirmation(*sheet), "Voltar à chave"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return confirmation(*sheet) == nullptr; }));

    // Once copied, in one line a reset form accepts, it closes at once.
    QTest::mouseClick(button(*sheet, "Copiar"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "0123-4567-89ab-cdef-0123-4567-89ab-cdef-0123-4567-89ab-cdef-0123-4567-89ab-cdef");
    QTest::mouseClick(button(*sheet, "Guardei a chave de recuperação"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); })) << "it deletes itself once closed";
}

} // namespace
