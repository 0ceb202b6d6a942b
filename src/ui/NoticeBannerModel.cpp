#include "ui/NoticeBannerModel.h"

#include "ui/KovaraIcons.h"

NoticeBannerModel NoticeBannerModel::make(const QString& message)
{
    const bool isWarning = message.contains(QStringLiteral("Atenção:"));
    return NoticeBannerModel{message, isWarning ? KovaraIcons::warning : KovaraIcons::done, isWarning};
}
