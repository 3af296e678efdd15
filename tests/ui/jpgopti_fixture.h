// Shared set-up of the optimiser window tests: a temporary folder, the scripted dialog
// service, scripted file/font/colour dialogs and small picture helpers.
#pragma once

#include "ui/jpgopti.h"

#include "pic/colour.h"
#include "pic/filters.h"
#include "pic/jpegcodec.h"
#include "util/dialogs.h"

#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct GermanLocale
{
    QLocale previous;
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(previous); }
};

// Answers the file, font and colour dialogs from queues.
class ScriptedOptiChoosers : public OptiChoosers
{
public:
    QStringList openNames;
    QStringList saveNames;
    QList<std::optional<OptiFont>> fonts;
    QList<std::optional<ColourValue>> colours;
    QStringList asked;
    QStringList starts;

    QString openFile(QWidget*, const QString& caption, const QString& start,
                     const QString&) override
    {
        asked.append(caption);
        starts.append(start);
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFile(QWidget*, const QString& caption, const QString& start, const QString&,
                     const QString& suffix) override
    {
        asked.append(caption + u' ' + suffix);
        starts.append(start);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    std::optional<OptiFont> chooseFont(QWidget*, const OptiFont&) override
    {
        return fonts.isEmpty() ? std::nullopt : fonts.takeFirst();
    }
    std::optional<ColourValue> chooseColour(QWidget*, ColourValue) override
    {
        return colours.isEmpty() ? std::nullopt : colours.takeFirst();
    }
};

inline QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
        }
    }
    return image;
}

// A JPEG of width by height, padded with comment segments to exactly `bytes` when given.
inline void writeJpeg(const QString& path, int width, int height, qint64 bytes = 0)
{
    QByteArray data = encodeJpeg(gradientImage(width, height), 75);
    if (bytes > 0) {
        QByteArray padding;
        qint64 missing = bytes - data.size();
        while (missing > 0) {
            const qint64 segment = std::min<qint64>(missing, 60000);
            ASSERT_GE(segment, 4) << "cannot pad by fewer than 4 bytes";
            const int length = int(segment - 2);
            padding.append(char(0xff)).append(char(0xfe));
            padding.append(char(length >> 8)).append(char(length & 0xff));
            padding.append(QByteArray(length - 2, 'x'));
            missing -= segment;
        }
        data.insert(2, padding);
        ASSERT_EQ(data.size(), bytes);
    }
    writeBytes(path, data);
}

inline Picture solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    Picture picture;
    picture.setBitmap(image);
    return picture;
}

inline bool samePixels(const Picture& a, const Picture& b)
{
    return a.image().convertToFormat(QImage::Format_RGB888) ==
           b.image().convertToFormat(QImage::Format_RGB888);
}

class JpgOptiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window.setChoosers(&choosers);
    }
    void TearDown() override { window.close(); }

    template <typename T> T* control(const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* label) { return control<QLabel>(label)->text(); }
    void click(const char* button) { control<QPushButton>(button)->click(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    void openTab(int tab) { window.tabs()->setCurrentIndex(tab); }
    QSize workingSize() const
    {
        return {window.workingPicture().width(), window.workingPicture().height()};
    }
    // Loads a picture through "Laden...".
    void loadImage(const QString& name, const QImage& image)
    {
        ASSERT_TRUE(image.save(path(name)));
        choosers.openNames.append(path(name));
        click("btLoad");
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DialogServiceGuard guard{&dialogs};
    ScriptedOptiChoosers choosers;
    TJPGOpti window;
};
