#include "Artwork.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QColor kBody(77, 150, 240);
const QColor kLed(40, 150, 60);

// The colour at a point of the 16-unit drawing, in an image of size x size pixels.
QColor At(const QImage& image, double x, double y) {
    const double scale = image.width() / 16.0;
    return image.pixelColor(int(x * scale), int(y * scale));
}

TEST(IconRender, SixteenPixelsIsTheWindowsOwnIcon) {
    const QImage window = artwork::Image(artwork::kTray)
                              .toImage()
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(artwork::Render(artwork::kTray, 16), window);
}

// Every theme size the package installs: the tool writes OUTDIR/NxN/apps/NAME.png at N x N
// pixels, with the whole drawing scaled (LED, body, ports where the 16 px image has them).
TEST(IconRender, ToolWritesEveryThemeSizeScaledFromTheArtwork) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList sizes{"16", "32", "48", "64", "128", "256"};
    QProcess tool;
    tool.start(ICON_RENDER_PATH, QStringList{dir.path(), "test-icon"} + sizes);
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    for (const QString& s : sizes) {
        SCOPED_TRACE(s.toStdString());
        const int size = s.toInt();
        const QImage image(QStringLiteral("%1/%2x%2/apps/test-icon.png").arg(dir.path(), s));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(At(image, 0.2, 0.2).alpha(), 0);       // outside the box
        EXPECT_EQ(At(image, 8, 14.5).alpha(), 0);        // below it
        EXPECT_EQ(At(image, 4.25, 8.25), kLed);          // the LED's centre
        EXPECT_EQ(At(image, 7, 11), kBody);              // the body
        EXPECT_EQ(At(image, 9, 8.5), QColor(Qt::white)); // a port
    }
}

TEST(IconRender, ToolRefusesABadSizeAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess tool;
    tool.start(ICON_RENDER_PATH, QStringList{dir.path(), "test-icon", "16", "48x"});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/16x16"));
}

} // namespace
