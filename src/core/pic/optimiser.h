// The JPEG optimiser's logic that needs no window: sizes, caption and byte texts, the
// crop frame, the quality-test files, the sample picture, the previews and Undo.
#pragma once

#include "picture.h"
#include "util/colourvalue.h"

#include <QFont>
#include <QImage>
#include <QLocale>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// What the next preview refresh does with the preview picture.
enum class PreviewState
{
    Stale,     // replaced with the working picture
    Current,   // kept
    TestResult // the refresh is skipped: a decoded test JPEG is on view
};

// Messages of the save buttons (the texts of the keys i_save_file and e_save_file).
inline const QString kSavedText = QStringLiteral("Datei gesichert!");
inline const QString kNotSavedText = QStringLiteral("Sicherung nicht möglich!");

// The caption up to its first " [", then " [name] (w x h)".
QString optimiserCaption(const QString& caption, const QString& name, QSize size);
// "123.456 Bytes" in a German locale (thousands separators of the locale).
QString byteCountText(qint64 bytes, const QLocale& locale = QLocale());
// "Q: 80%,  45.231 Bytes" in a German locale.
QString qualityTestText(int quality, qint64 bytes, const QLocale& locale = QLocale());

// The percent sliders (size, quality) start at 0, which is pushed to 1.
int effectivePercent(int value);
// Width and height times percent div 100.
QSize sizeForPercent(QSize working, int percent);
// The other side for "Proporzional": RoundHalfEven(H * width / W) and the reverse;
// the given value itself when the working picture has no area.
int proportionalHeight(QSize working, int width);
int proportionalWidth(QSize working, int height);

// The crop frame over a view of the working picture placed at view (its position and
// shrunk size), for the given margins; the frame lies one pixel outside the kept area.
QRect cropFrame(QSize working, const QRect& view, int left, int top, int right, int bottom);
// Inverts a line of lineWidth pixels along the inside of frame (clipped to the image).
void drawInvertedFrame(QImage& image, const QRect& frame, int lineWidth = 3);

// The pair of quality-test files: a temporary file made by the system and the same name
// ending in ".jpg" that holds the test JPEG. Made on first use, reused afterwards,
// deleted by remove() and on destruction.
class QualityTestFile
{
public:
    QualityTestFile() = default;
    QualityTestFile(const QualityTestFile&) = delete;
    QualityTestFile& operator=(const QualityTestFile&) = delete;
    ~QualityTestFile() { remove(); }

    // Makes the temporary file when there is none yet (LumiError when impossible).
    const QString& jpegName();
    bool isMade() const { return !m_tempName.isEmpty(); }
    const QString& tempName() const { return m_tempName; }
    // The test JPEG's name, empty until made.
    const QString& madeJpegName() const { return m_jpegName; }
    // Deletes both files (errors ignored) and forgets the names.
    void remove();

private:
    QString m_tempName;
    QString m_jpegName;
};

// The picture the window holds before anything is loaded: a 281 by 211 JPEG drawn here,
// made a bitmap.
Picture makeSamplePicture();

// The previews of the editing tabs, each built from the working picture.
struct LightSettings
{
    bool invert = false;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
};
Picture lightPreview(const Picture& working, const LightSettings& settings);

struct ToneSettings
{
    bool greyscale = false;
    bool oldPhoto = false;
    int red = 0;
    int green = 0;
    int blue = 0;
};
Picture tonePreview(const Picture& working, const ToneSettings& settings);

// horizontalIndex and verticalIndex are list positions (0 left/top, 1 centre, 2 right/bottom).
Picture textPreview(const Picture& working, const QString& text, const QFont& font,
                    ColourValue colour, int x, int y, int horizontalIndex, int verticalIndex);
Picture blendPreview(const Picture& working, const Picture& logo, int transparency,
                     int horizontalIndex, int verticalIndex, int x, int y);
// The mask is stretched on a copy, so the loaded mask keeps its own size.
Picture maskPreview(const Picture& working, const Picture& mask, ColourValue colour);

// Loads the logo of the tab "Bild einfügen": marked transparent (key colour: its
// bottom-left pixel), resized to sizePercent unless 100. LumiError when it cannot be
// loaded; the logo then keeps what it held.
void loadOptimiserLogo(Picture& logo, const QString& path, int sizePercent);

// The commit of the tab "Grösse": scaled to the panel size, then the text (when not
// empty) drawn with its top-left corner at (x, y).
void resizeWithText(Picture& working, QSize panel, bool keepAspect, const QString& text,
                    const QFont& font, ColourValue colour, int x, int y);

// Earlier working pictures, so that a committed edit can be taken back.
class EditHistory
{
public:
    static constexpr int kDepth = 10;

    void push(const Picture& before);
    bool canUndo() const { return !m_pictures.empty(); }
    // The picture before the last commit; an empty Picture when there is none.
    Picture pop();
    void clear() { m_pictures.clear(); }
    int size() const { return int(m_pictures.size()); }

private:
    std::vector<Picture> m_pictures;
};
