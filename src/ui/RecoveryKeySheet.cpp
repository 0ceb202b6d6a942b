#include "ui/RecoveryKeySheet.h"

#include "platform/SecretText.h"
#include "ui/SheetLayout.h"
#include "ui/TextStyle.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr qsizetype groupLength = 4;
constexpr qsizetype groupsPerLine = 8;

} // namespace

RecoveryKeySheet::RecoveryKeySheet(const Vault& vault, std::shared_ptr<const SecretText> key, QWidget* parent)
    : QDialog(parent)
    , key_(std::move(key))
    , shown_(std::make_unique<SecretText>(grouped(key_->text())))
    , keyLabel_(new QLabel(shown_->text(), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Chave de recuperação"));

    QFont monospace = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    monospace.setPointSizeF(monospace.pointSizeF() * 1.2);
    keyLabel_->setFont(monospace);
    keyLabel_->setTextFormat(Qt::PlainText);
    keyLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    keyLabel_->setAlignment(Qt::AlignCenter);
    keyLabel_->setAccessibleName(QStringLiteral("Chave de recuperação"));
    // Read as one text, the digits without the line break or dashes in between.
    keyLabel_->setAccessibleDescription(key_->text());

    QLabel* explanation = TextStyle::secondaryLabel(
        QStringLiteral("Com esta chave você define uma nova senha se esquecer a atual (“Redefinir senha com a "
                       "chave…”, no menu do cofre). Guarde-a fora do computador, num lugar seguro: quem a tiver "
                       "abre o cofre."),
        this, true);
    auto* copyButton = new QPushButton(QStringLiteral("Copiar"), this);
    copyButton->setAccessibleName(QStringLiteral("Copiar a chave de recuperação"));
    copyButton->setAutoDefault(false);
    auto* keptButton = new QPushButton(QStringLiteral("Guardei a chave de recuperação"), this);
    keptButton->setDefault(true);
    new SheetLayout(*this, QStringLiteral("Guarde a chave de recuperação"), SheetLayout::vaultSubtitle(vault.name),
                    {keyLabel_, explanation}, {keptButton}, {copyButton});

    connect(copyButton, &QPushButton::clicked, this, &RecoveryKeySheet::copy);
    connect(keptButton, &QPushButton::clicked, this, &RecoveryKeySheet::accept);
}

RecoveryKeySheet::~RecoveryKeySheet()
{
    keyLabel_->clear();
}

QString RecoveryKeySheet::grouped(const QString& digits)
{
    QString text;
    text.reserve(digits.size() + digits.size() / groupLength);
    for (qsizetype index = 0; index < digits.size(); ++index) {
        if (index > 0 && index % groupLength == 0) {
            text += index % (groupLength * groupsPerLine) == 0 ? QLatin1Char('\n') : QLatin1Char('-');
        }
        text += digits.at(index);
    }
    return text;
}

void RecoveryKeySheet::copy()
{
    QString line = shown_->text();
    line.replace(QLatin1Char('\n'), QLatin1Char('-'));
    QGuiApplication::clipboard()->setText(line);
    wasCopied_ = true;
}

void RecoveryKeySheet::reject()
{
    done(QDialog::Rejected);
}

void RecoveryKeySheet::done(int result)
{
    if (wasCopied_ || isConfirmed_) {
        QDialog::done(result);
        return;
    }
    auto* confirmation = new QMessageBox(QMessageBox::Warning, QStringLiteral("Fechar sem copiar a chave?"),
                                         QStringLiteral("Fechar sem copiar a chave?"), QMessageBox::NoButton, this);
    confirmation->setAttribute(Qt::WA_DeleteOnClose);
    confirmation->setInformativeText(
        QStringLiteral("A chave de recuperação não foi copiada. Se você ainda não a anotou, volte e anote-a: ela só "
                       "aparece de novo com a senha do cofre."));
    QPushButton* close = confirmation->addButton(QStringLiteral("Fechar"), QMessageBox::DestructiveRole);
    QPushButton* back = confirmation->addButton(QStringLiteral("Voltar à chave"), QMessageBox::RejectRole);
    confirmation->setDefaultButton(back);
    connect(confirmation, &QMessageBox::finished, this, [this, confirmation, close, result] {
        if (confirmation->clickedButton() == close) {
            isConfirmed_ = true;
            QDialog::done(result);
        }
    });
    confirmation->open();
}
