#pragma once

#include <QString>

#include <string_view>

// A password as text, in a buffer of its own that is overwritten with zeros when the holder goes
// away. Copies of text() share that buffer (Qt's implicit sharing), so the store hands them to
// the services for the length of one operation and they are wiped with it; the text it was made
// from (a field's) is copied, never touched.
class SecretText
{
public:
    explicit SecretText(const QString& text);
    // Text made of single-byte characters (hexadecimal digits, a separator), built in place.
    explicit SecretText(std::string_view latin1);
    ~SecretText();

    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    const QString& text() const { return text_; }

private:
    QString text_;
};
