// Controls of the main window that Qt does not have: the font and colour panels of the
// settings, and the picture list with drag-and-drop ordering and file drops.
#pragma once

#include "gallery/valueforms.h"

#include <QLabel>
#include <QListView>

// A sunken panel that takes the focus and reports a click or Space / Return as clicked().
class ClickablePanel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickablePanel(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Shows a font as its own sample on the page background; a click opens the font dialog.
class FontPanel : public ClickablePanel
{
    Q_OBJECT

public:
    explicit FontPanel(QWidget* parent = nullptr);

    const FontSpec& fontSpec() const { return m_font; }
    void setFontSpec(const FontSpec& font);
    // The panel's background (0x00BBGGRR), normally the page background `BGColor`.
    int background() const { return m_background; }
    void setBackground(int colour);
    // A panel that shows the font's name as its caption (the layout fonts); otherwise the
    // panel keeps the caption it was given.
    bool showsFontName() const { return m_showsName; }
    void setShowsFontName(bool shows);

private:
    void refresh();

    FontSpec m_font;
    int m_background = 0xFFFFFF;
    bool m_showsName = true;
};

// Shows a colour value (0x00BBGGRR); a click opens the colour dialog.
class ColorPanel : public ClickablePanel
{
    Q_OBJECT

public:
    explicit ColorPanel(QWidget* parent = nullptr);

    int colorValue() const { return m_value; }
    void setColorValue(int value);

private:
    int m_value = 0;
};

// The picture list: multiple selection; dragging inside the list moves the entry with the
// focus; picture files and folders dropped from the desktop are handed on; drops from
// other controls are refused.
class PictureListView : public QListView
{
    Q_OBJECT

public:
    explicit PictureListView(QWidget* parent = nullptr);

    // The mime type of a drag that started in a picture list; its data names the list.
    static QString internalMimeType();
    // The row a drop at `pos` (viewport coordinates) goes before; -1 below all entries.
    int dropRowAt(const QPoint& pos) const;

Q_SIGNALS:
    // An entry of this list was dropped before `dropRow` (-1: below the last entry).
    void internalDrop(int dropRow);
    // Local files or folders were dropped from outside the program.
    void filesDropped(const QStringList& paths);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isOwnDrag(const QMimeData* data) const;
    static QStringList localPaths(const QMimeData* data);
};
