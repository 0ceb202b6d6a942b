#include "finder/FinderServiceProvider.h"

#include "finder/FinderServiceInput.h"

QString FinderServiceProvider::noValidFolderMessage()
{
    return QStringLiteral("O gerenciador de arquivos não enviou nenhuma pasta válida.");
}

FinderServiceProvider::FinderServiceProvider(RequestHandler requestHandler) : requestHandler_(std::move(requestHandler))
{
}

std::optional<QString> FinderServiceProvider::addToKovara(const FinderPasteboard& pasteboard) const
{
    const QList<QUrl> urls = FinderServiceInput::fileURLs(pasteboard);
    if (urls.isEmpty()) {
        return noValidFolderMessage();
    }
    requestHandler_(urls);
    return std::nullopt;
}
