#pragma once

#include <QString>

#include <compare>

// A version as update feeds write it ("1.10", "2.0b3", "1.0.0-rc.1"), ordered the way people
// read versions rather than as text: numbers by value, so 1.10 follows 1.9; missing trailing
// numbers count as zero, so 1.0 equals 1.0.0; letters after a number mark a pre-release, so
// 1.0b1 comes before 1.0, and pre-release tags compare alphabetically (alpha < beta < rc).
class SoftwareVersion
{
public:
    explicit SoftwareVersion(QString text);

    const QString& text() const { return text_; }

    std::strong_ordering operator<=>(const SoftwareVersion& other) const;
    bool operator==(const SoftwareVersion& other) const { return std::is_eq(*this <=> other); }

private:
    QString text_;
};
