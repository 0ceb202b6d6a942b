#include "support/SampleFileTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

QByteArray SampleFileTree::patternedBytes(qint64 size, char seed)
{
    // A block of prime length, repeated.
    constexpr qint64 blockSize = 65521;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qint64 index = 0; index < blockSize; ++index) {
        block[index] = char(seed + (index * 7 + index / 4093) % 26);
    }
    return block.repeated(size / blockSize + 1).left(size);
}

void SampleFileTree::setTimes(const QString& path, qint64 accessSeconds, qint64 modificationSeconds, long nanoseconds)
{
    const struct timespec times[2] = {{accessSeconds, nanoseconds}, {modificationSeconds, nanoseconds + 1}};
    EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.toStdString();
}

qint64 SampleFileTree::create(const QString& root, qint64 largeFileBytes)
{
    const auto at = [&root](const char* relative) { return root + u'/' + QString::fromUtf8(relative); };
    const auto path = [&at](const char* relative) { return QFile::encodeName(at(relative)); };
    QDir().mkpath(at("Notas/Antigas"));
    QDir().mkpath(at("Somente leitura"));
    writeFile(at("Relatório final.txt"), patternedBytes(5000, 'r'));
    writeFile(at("large.bin"), patternedBytes(largeFileBytes, 'b'));
    writeFile(at("empty"), {});
    writeFile(at(".hidden"), "secret");
    writeFile(at("Notas/Antigas/nota 1.md"), "# nota\n");
    writeFile(at("Somente leitura/dentro.txt"), "protegido");

    ::setxattr(path("Relatório final.txt").constData(), "user.kovara.tag", "azul", 4, 0);
    ::setxattr(path("Relatório final.txt").constData(), "user.empty", "", 0, 0);
    ::setxattr(path("Notas").constData(), "user.folder", "pasta", 5, 0);
    for (const auto& [relative, mode] : {std::pair{"Relatório final.txt", 0640}, std::pair{".hidden", 0600},
                                         std::pair{"large.bin", 0755}, std::pair{"Notas/Antigas", 0750}}) {
        ::chmod(path(relative).constData(), mode_t(mode));
    }
    ::symlink("Notas/Antigas/nota 1.md", path("atalho").constData());
    ::symlink("Notas", path("atalho para pasta").constData());
    ::symlink("/nonexistent/kovara", path("quebrado").constData());
    ::mkfifo(path("fila").constData(), 0620);

    // Old, distinct times everywhere, the folders' last (adding entries changes them).
    qint64 seconds = 1'000'000'000;
    for (const char* relative : {"Relatório final.txt", "large.bin", "empty", ".hidden", "Notas/Antigas/nota 1.md",
                                 "Somente leitura/dentro.txt", "atalho", "atalho para pasta", "quebrado", "fila",
                                 "Notas/Antigas", "Notas", "Somente leitura", ""}) {
        setTimes(relative[0] ? at(relative) : root, seconds, seconds + 500, 123456789);
        seconds += 86'400;
    }
    ::chmod(path("Somente leitura").constData(), 0555);
    return 5000 + largeFileBytes + 6 + 7 + 9;
}
