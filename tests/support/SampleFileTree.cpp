#include "support/SampleFileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

void SampleFileTree::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray SampleFileTree::patternedBytes(qint64 size, char seed)
{
    // A block of prime length, repeated: a chunk lost, doubled or shifted changes the digest.
    constexpr qint64 blockSize = 65521;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qint64 index = 0; index < blockSize; ++index) {
        block[index] = char(seed + (index * 7 + index / 4093) % 26);
    }
    return block.repeated(size / blockSize + 1).left(size);
}

void SampleFileTree::setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds,
                              long nanoseconds)
{
    const struct timespec times[2] = {{accessSeconds, nanoseconds}, {modificationSeconds, nanoseconds + 1}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}

qint64 SampleFileTree::create(const QString& root, qint64 largeFileBytes)
{
    const auto at = [&root](const char* relative) { return root + u'/' + QLatin1String(relative); };
    const auto encoded = [](const QString& path) { return QFile::encodeName(path); };
    QDir().mkpath(at("Notas/Antigas"));
    QDir().mkpath(at("Somente leitura"));

    const QByteArray report = patternedBytes(5000, 'r');
    writeFile(at("Relatório final.txt"), report);
    writeFile(at("large.bin"), patternedBytes(largeFileBytes, 'b'));
    writeFile(at("empty"), {});
    writeFile(at(".hidden"), "secret");
    writeFile(at("Notas/Antigas/nota 1.md"), "# nota\n");
    writeFile(at("Somente leitura/dentro.txt"), "protegido");

    ::setxattr(encoded(at("Relatório final.txt")).constData(), "user.kovara.tag", "azul", 4, 0);
    ::setxattr(encoded(at("Relatório final.txt")).constData(), "user.empty", "", 0, 0);
    ::setxattr(encoded(at("Notas")).constData(), "user.folder", "pasta", 5, 0);
    ::chmod(encoded(at("Relatório final.txt")).constData(), 0640);
    ::chmod(encoded(at(".hidden")).constData(), 0600);
    ::chmod(encoded(at("large.bin")).constData(), 0755);
    ::chmod(encoded(at("Notas/Antigas")).constData(), 0750);

    ::symlink("Notas/Antigas/nota 1.md", encoded(at("atalho")).constData());
    ::symlink("Notas", encoded(at("atalho para pasta")).constData());
    ::symlink("/nonexistent/kovara", encoded(at("quebrado")).constData());
    ::mkfifo(encoded(at("fila")).constData(), 0620);

    // Old, distinct times everywhere, the folders' last (adding entries changes them).
    qint64 seconds = 1'000'000'000;
    for (const char* relative : {"Relatório final.txt", "large.bin", "empty", ".hidden", "Notas/Antigas/nota 1.md",
                                 "Somente leitura/dentro.txt", "atalho", "atalho para pasta", "quebrado", "fila",
                                 "Notas/Antigas", "Notas", "Somente leitura", ""}) {
        setTimes(relative[0] ? at(relative) : root, seconds, seconds + 500, 123456789);
        seconds += 86'400;
    }
    ::chmod(encoded(at("Somente leitura")).constData(), 0555);
    return report.size() + largeFileBytes + 6 + 7 + 9;
}
