#include "SourceTrees.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace {

constexpr int largeFiles = 4;
constexpr qint64 largeFileBytes = qint64(256) << 20;
constexpr int smallFolders = 10;
constexpr int smallSubfolders = 20;
constexpr int smallFilesPerFolder = 100;
constexpr qint64 smallFileBytes = 4096;

// Bytes that differ from file to file and block to block, as real content does.
QByteArray patternBlock(qsizetype size, int seed)
{
    QByteArray block(size, Qt::Uninitialized);
    quint32 state = 2654435761u * quint32(seed + 1);
    for (char& byte : block) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return block;
}

void writeFile(const QString& path, qint64 size, const QByteArray& block)
{
    QFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    for (qint64 done = 0; written && done < size;) {
        const qint64 step = qMin<qint64>(block.size(), size - done);
        written = file.write(block.constData(), step) == step;
        done += step;
    }
    if (!written) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

} // namespace

qint64 SourceTrees::writeLargeFiles(const QString& root)
{
    QDir().mkpath(root);
    for (int index = 0; index < largeFiles; ++index) {
        writeFile(root + QStringLiteral("/video-%1.mov").arg(index + 1), largeFileBytes,
                  patternBlock(qsizetype(1) << 20, index));
    }
    return largeFiles * largeFileBytes;
}

qint64 SourceTrees::writeSmallFiles(const QString& root)
{
    int seed = 0;
    for (int folder = 0; folder < smallFolders; ++folder) {
        for (int subfolder = 0; subfolder < smallSubfolders; ++subfolder) {
            const QString path = root + QStringLiteral("/album %1/dia %2").arg(folder + 1).arg(subfolder + 1);
            QDir().mkpath(path);
            for (int index = 0; index < smallFilesPerFolder; ++index) {
                writeFile(path + QStringLiteral("/foto-%1.jpg").arg(index + 1), smallFileBytes,
                          patternBlock(smallFileBytes, ++seed));
            }
        }
    }
    return qint64(smallFolders) * smallSubfolders * smallFilesPerFolder * smallFileBytes;
}
