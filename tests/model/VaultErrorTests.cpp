#include "model/ErrorMessage.h"
#include "model/MountedRollbackFailure.h"
#include "model/VaultError.h"
#include "support/QtValuePrinters.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Kind = VaultError::Kind;

struct ExpectedText
{
    VaultError error;
    Kind kind;
    const char* text;
};

} // namespace

// Every text the user can see from an error, character for character: typographic quotes,
// the full-stop thousands separator and the single space before an appended detail included.
TEST(VaultErrorTest, everyCaseHasItsExactText)
{
    const ExpectedText cases[] = {
        {VaultError::sourceMissing("/tmp/Relatório.pdf"), Kind::sourceMissing,
         "O item de origem não foi encontrado: /tmp/Relatório.pdf."},
        {VaultError::destinationExists("Fotos"), Kind::destinationExists, "Já existe um item chamado Fotos no cofre."},
        {VaultError::invalidRegistry("Há IDs de cofre repetidos."), Kind::invalidRegistry,
         "O catálogo de cofres contém dados inválidos e não foi alterado. Há IDs de cofre repetidos."},
        {VaultError::registryUnavailable("Reabra o app após recuperar o arquivo vaults.json."),
         Kind::registryUnavailable,
         "O catálogo de cofres não pôde ser usado e não foi alterado. Reabra o app após recuperar o arquivo "
         "vaults.json."},
        {VaultError::unsafeStorage("detalhe"), Kind::unsafeStorage,
         "A pasta protegida do Kovara não é segura para uso. detalhe"},
        {VaultError::commandFailed("hdiutil", 1, ""), Kind::commandFailed, "hdiutil falhou com código 1."},
        {VaultError::commandFailed("hdiutil", -9, "Resource busy"), Kind::commandFailed,
         "hdiutil falhou com código -9: Resource busy"},
        {VaultError::commandTimedOut("diskutil"), Kind::commandTimedOut,
         "diskutil excedeu o tempo limite e foi interrompido."},
        {VaultError::commandOutputTooLarge("hdiutil"), Kind::commandOutputTooLarge,
         "hdiutil retornou dados demais e a operação foi interrompida com segurança."},
        {VaultError::invalidPropertyList("Falta system-entities."), Kind::invalidPropertyList,
         "O macOS retornou dados de montagem inválidos. Falta system-entities."},
        {VaultError::imageCouldNotBeTrashed("Permissão negada"), Kind::imageCouldNotBeTrashed,
         "O arquivo criptografado do cofre não pôde ser movido para o Lixo. Permissão negada"},
        {VaultError::vaultDeletedButRegistryNotUpdated("Disco cheio."), Kind::vaultDeletedButRegistryNotUpdated,
         "O arquivo criptografado foi movido para o Lixo, mas o catálogo de cofres não pôde ser atualizado. O cofre "
         "aparecerá como \u201CArquivo ausente\u201D; apague-o novamente para removê-lo da lista. Disco cheio."},
        {VaultError::volumeBusy({}), Kind::volumeBusy,
         "O cofre ainda está em uso por outro app. Feche os arquivos e janelas abertos dentro dele e tente "
         "novamente, ou use \u201CForçar bloqueio\u201D."},
        {VaultError::volumeBusy({"Preview", "Finder"}), Kind::volumeBusy,
         "O cofre ainda está em uso por Preview, Finder. Feche os arquivos abertos nele e tente novamente, ou use "
         "\u201CForçar bloqueio\u201D."},
        {VaultError(Kind::operationInProgress), Kind::operationInProgress, "Há outra operação em andamento."},
        {VaultError(Kind::noSelection), Kind::noSelection, "Selecione um cofre primeiro."},
        {VaultError(Kind::vaultLocked), Kind::vaultLocked, "Desbloqueie o cofre antes de continuar."},
        {VaultError(Kind::missingImage), Kind::missingImage, "O arquivo deste cofre não foi encontrado."},
        {VaultError(Kind::invalidName), Kind::invalidName,
         "Use um nome de cofre entre 1 e 80 caracteres, sem '/' ou ':'."},
        {VaultError(Kind::invalidSize), Kind::invalidSize, "Escolha um tamanho entre 1 GB e 2.048 GB."},
        {VaultError(Kind::emptyPassword), Kind::emptyPassword, "Informe uma senha para criptografar o cofre."},
        {VaultError(Kind::weakPassword), Kind::weakPassword, "Use pelo menos 8 caracteres na senha do novo cofre."},
        {VaultError(Kind::invalidPassword), Kind::invalidPassword, "A senha contém um caractere não suportado."},
        {VaultError(Kind::unlockFailed), Kind::unlockFailed,
         "Não foi possível desbloquear este cofre. Confira a senha e tente novamente."},
        {VaultError(Kind::duplicateName), Kind::duplicateName, "Já existe um cofre com esse nome."},
        {VaultError(Kind::invalidItem), Kind::invalidItem, "Esse item não pertence à raiz do cofre selecionado."},
        {VaultError(Kind::itemChanged), Kind::itemChanged,
         "O item mudou desde que foi listado. Atualize o cofre e tente novamente."},
        {VaultError(Kind::operationCancelled), Kind::operationCancelled, "A operação foi cancelada."},
        {VaultError(Kind::noMountedVolume), Kind::noMountedVolume, "O macOS não informou o volume montado pelo cofre."},
        {VaultError(Kind::detachDidNotComplete), Kind::detachDidNotComplete,
         "O macOS não confirmou o bloqueio do cofre; ele continua montado."},
        {VaultError(Kind::unableToCreatePrivacyMarker), Kind::unableToCreatePrivacyMarker,
         "Não foi possível criar a proteção contra indexação dentro do cofre."},
        {VaultError(Kind::finderCouldNotOpen), Kind::finderCouldNotOpen, "O Finder não conseguiu abrir o cofre."},
    };

    std::set<Kind> covered;
    for (const ExpectedText& expected : cases) {
        const QString text = QString::fromUtf8(expected.text);
        EXPECT_EQ(expected.error.kind(), expected.kind) << expected.text;
        EXPECT_EQ(expected.error.errorDescription(), text);
        EXPECT_STREQ(expected.error.what(), expected.text);
        EXPECT_EQ(userMessage(std::make_exception_ptr(expected.error)), text);
        covered.insert(expected.kind);
    }
    EXPECT_EQ(covered.size(), 30);
    EXPECT_EQ(static_cast<int>(Kind::finderCouldNotOpen), 29) << "cases keep their declaration order";

    // A catalogue that fails to load wraps one error's text in another: both sentences in a row.
    EXPECT_EQ(VaultError::registryUnavailable(VaultError::invalidRegistry("vaults.json não pode ser um link "
                                                                          "simbólico.")
                                                  .errorDescription())
                  .errorDescription(),
              QStringLiteral("O catálogo de cofres não pôde ser usado e não foi alterado. O catálogo de cofres "
                             "contém dados inválidos e não foi alterado. vaults.json não pode ser um link "
                             "simbólico."));

    const MountedRollbackFailure rollback(VaultSession{QUuid::createUuid(), QUrl::fromLocalFile("/run/kovara/A"),
                                                       "fuse:0:52"},
                                          "Permissão negada", "hdiutil falhou com código 16: Resource busy");
    const char* rollbackText = "O cofre foi montado, mas a finalização falhou (Permissão negada) e a desmontagem "
                               "automática também falhou (hdiutil falhou com código 16: Resource busy). Ele continua "
                               "montado; tente bloqueá-lo novamente.";
    EXPECT_EQ(rollback.errorDescription(), QString::fromUtf8(rollbackText));
    EXPECT_EQ(userMessage(std::make_exception_ptr(rollback)), QString::fromUtf8(rollbackText));
}
