#pragma once

#include <QString>

// The banner that shows the store's notice until the user closes it.
struct NoticeBannerModel
{
    QString message;
    QString iconName;
    // The notice carries warnings ("Atenção:"): its icon is drawn in orange.
    bool isWarning = false;

    static NoticeBannerModel make(const QString& message);

    bool operator==(const NoticeBannerModel&) const = default;
};
