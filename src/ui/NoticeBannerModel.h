#pragma once

#include <QString>

// The banner that shows the store's notice until the user closes it.
struct NoticeBannerModel
{
    QString message;
    // A notice that carries warnings ("Atenção:") shows the warning sign, others a check mark.
    QString iconName;

    static NoticeBannerModel make(const QString& message);

    bool operator==(const NoticeBannerModel&) const = default;
};
