#pragma once

#include <QString>

#include <system_error>

// A POSIX failure about one file or folder. It keeps the path it is about, so that the text the
// user reads says which file failed ("Fotos/2019/x.jpg: Permissão negada") and not only why:
// a copy of a folder can fail on any file deep inside it.
class PathError : public std::system_error
{
public:
    PathError(int errorNumber, QString path);

    // The path as the thrower named it: absolute, or a name of its own (the catalogue's).
    const QString& path() const noexcept { return path_; }

    // "<path>: <Portuguese system text>". A path inside `folder` is shown relative to it, which
    // reads better when the folder is where the item the user chose lies.
    QString description(const QString& folder = {}) const;

private:
    QString path_;
};
