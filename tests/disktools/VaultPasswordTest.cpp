#include "disktools/VaultPassword.h"
#include "disktools/ToolFailure.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The password as the stand-in would read it from a pipe holding `input`.
QByteArray gocryptfsLineFor(const QByteArray& input)
{
    int fds[2];
    if (::pipe(fds) != 0 || ::write(fds[1], input.constData(), std::size_t(input.size())) != input.size()) {
        return "pipe failed";
    }
    ::close(fds[1]);
    const VaultPassword password = VaultPassword::readNulTerminated(fds[0]);
    ::close(fds[0]);
    return QByteArrayView(password.gocryptfsLine().view()).toByteArray();
}

} // namespace

TEST(VaultPassword, KeepsEveryByteBeforeTheFirstNulAndEncodesItAsOneHexLine)
{
    EXPECT_EQ(gocryptfsLineFor(QByteArray("a\n\xc3\xa9\0ignored", 13)), "610ac3a9\n");
    // Without a NUL the whole input counts.
    EXPECT_EQ(gocryptfsLineFor("senha"), "73656e6861\n");
    EXPECT_EQ(gocryptfsLineFor(QByteArray("\0", 1)), "\n");

    const QByteArray longest(VaultPassword::maximumBytes, '\xff');
    EXPECT_EQ(gocryptfsLineFor(longest + '\0'), QByteArray(VaultPassword::maximumBytes * 2, 'f') + '\n');
    EXPECT_THROW(gocryptfsLineFor(longest + 'x'), ToolFailure);
    EXPECT_THROW(gocryptfsLineFor(longest + "x\0"), ToolFailure);
}
