#include "ui/NoticeBannerModel.h"

#include "ui/KovaraIcons.h"

NoticeBannerModel NoticeBannerModel::make(const QString& message)
{
    const bool carriesWarnings = message.contains(QStringLiteral("Atenção:"));
    return NoticeBannerModel{message, carriesWarnings ? KovaraIcons::warning : KovaraIcons::done};
}
