// An image's metadata as the stand-ins read it back: what they write, what earlier versions wrote,
// and damaged files, which leave the image unreadable rather than half read.
#include "disktools/ImageBundle.h"
#include "disktools/ToolFailure.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// What the stand-ins wrote through libplist before they had their own writer.
constexpr const char* earlierMetadata = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>kovara-image-format</key>
	<integer>1</integer>
	<key>volume-name</key>
	<string>Cofre &amp; &lt;Já&gt; "x"</string>
	<key>capacity-bytes</key>
	<integer>1073741824</integer>
	<key>encryption</key>
	<string>gocryptfs AES-256-GCM, scrypt</string>
</dict>
</plist>
)";

std::string metadata(const std::string& name, const std::string& capacity, const std::string& more = "")
{
    return "<plist version=\"1.0\"><dict><key>volume-name</key>" + name + "<key>capacity-bytes</key>" + capacity +
           more + "</dict></plist>";
}

TEST(ImageMetadata, ReadsWhatTheStandInsEverWroteAndNothingMalformed)
{
    QTemporaryDir sandbox;
    const std::string image = sandbox.path().toStdString() + "/cofre.sparsebundle";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(image + "/cipher")));
    const auto opened = [&image] {
        try {
            const ImageBundle bundle = ImageBundle::open(image);
            return bundle.volumeName() + " | " + std::to_string(bundle.capacityBytes());
        } catch (const ToolFailure& failure) {
            return failure.message();
        }
    };

    // Bytes that are not text (a name can come from anywhere) become U+FFFD: the XML stays valid.
    ImageBundle::writeMetadata(image, "Cofre & <Já> \"x\"\x01\xff", std::uint64_t{1} << 40);
    EXPECT_EQ(opened(), "Cofre & <Já> \"x\"\uFFFD\uFFFD | 1099511627776");

    const std::string five = "<integer>5</integer>";
    const std::string unreadable = image + ": os dados da imagem estão ilegíveis ou incompletos.";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {earlierMetadata, "Cofre & <Já> \"x\" | 1073741824"},
        {metadata("\n\t<string>&#x43;ofre&#233;&apos;&quot;</string> ", five, "<key>e</key><string/>\r\n"),
         "Cofreé'\" | 5"},
        {std::string(earlierMetadata).substr(0, 300), unreadable},
        {metadata("<string>C</string>", "<string>5</string>"), unreadable},
        {metadata("<string>C</string>", "<integer>-5</integer>"), unreadable},
        {metadata("<string>C</string>", "<integer>18446744073709551616</integer>"), unreadable},
        {metadata("<string>C</string>", five, "<key>sparse</key><true/>"), unreadable},
        {metadata("<string>C&nbsp;</string>", five), unreadable},
        {metadata("<string>C&#0;</string>", five), unreadable},
        {metadata("<string>C\xff</string>", five), unreadable},
        {metadata("<string>C</string>", five, "<key>volume-name</key><string>D</string>"), unreadable},
        {metadata("<string>C</string>", five) + "<plist/>", unreadable},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        TestFiles::writeFile(QString::fromStdString(image + "/Info.plist"), QByteArray::fromStdString(text));
        EXPECT_EQ(opened(), expected);
    }
}

} // namespace
