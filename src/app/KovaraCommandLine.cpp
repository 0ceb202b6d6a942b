#include "app/KovaraCommandLine.h"

namespace {

// The status of a usage error, as other command-line programs use it.
constexpr int usageErrorStatus = 2;

QString helpText()
{
    return QStringLiteral("Uso: kovara [OPÇÃO]… [PASTA]…\n"
                          "Guarda documentos privados em cofres criptografados.\n"
                          "\n"
                          "Cada PASTA é oferecida para ser copiada para um cofre à sua escolha; as pastas originais\n"
                          "permanecem onde estão. Se o Kovara já estiver aberto, as pastas vão para a janela aberta.\n"
                          "\n"
                          "Opções:\n"
                          "  -h, --help     mostra esta ajuda e sai\n"
                          "  -v, --version  mostra a versão e sai\n"
                          "  --             trata todos os argumentos seguintes como pastas\n");
}

} // namespace

KovaraCommandLine KovaraCommandLine::parse(const QStringList& arguments)
{
    KovaraCommandLine commandLine;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        // A lone "-" names a folder called "-", as it would for any file-taking program here.
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QStringLiteral("-")) {
            commandLine.folders.append(argument);
        } else if (argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            return {Answer{helpText()}, {}};
        } else if (argument == QStringLiteral("-v") || argument == QStringLiteral("--version")) {
            return {Answer{QStringLiteral("Kovara %1\n").arg(QStringLiteral(KOVARA_VERSION))}, {}};
        } else {
            return {Answer{QStringLiteral("kovara: opção desconhecida: %1\n"
                                          "Use “kovara --help” para ver as opções.\n")
                               .arg(argument),
                           true, usageErrorStatus},
                    {}};
        }
    }
    return commandLine;
}
