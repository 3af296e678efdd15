// Shared set-up of the main window tests: a temporary document folder, the scripted
// dialog service and scripted file, font and colour choosers.
#pragma once

#include "ui/mainform.h"
#include "ui/mainform_choosers.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Answers the window's standard dialogs from queues and records what they were asked.
class ScriptedChoosers : public UiChoosers
{
public:
    QStringList folders;          // answers of existingFolder, in order
    QList<QStringList> fileLists; // answers of openFiles
    QStringList openNames;        // answers of openFile
    QStringList saveNames;        // answers of saveFile
    QList<std::optional<FontSpec>> fonts;
    QList<std::optional<int>> colours;
    QStringList asked;        // captions of the dialogs shown
    QStringList startFolders; // their start folder or preset file

    QString existingFolder(QWidget*, const QString& caption, const QString& start) override
    {
        record(caption, start);
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    QStringList openFiles(QWidget*, const QString& caption, const QString& start,
                          const QString&) override
    {
        record(caption, start);
        return fileLists.isEmpty() ? QStringList() : fileLists.takeFirst();
    }
    QString openFile(QWidget*, const QString& caption, const QString& start, const QString&,
                     const QString&) override
    {
        record(caption, start);
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFile(QWidget*, const QString& caption, const QString& start, const QString&,
                     const QString&) override
    {
        record(caption, start);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    std::optional<FontSpec> chooseFont(QWidget*, const FontSpec&) override
    {
        record(QStringLiteral("font"), {});
        return fonts.isEmpty() ? std::nullopt : fonts.takeFirst();
    }
    std::optional<int> chooseColor(QWidget*, int) override
    {
        record(QStringLiteral("colour"), {});
        return colours.isEmpty() ? std::nullopt : colours.takeFirst();
    }

private:
    void record(const QString& caption, const QString& start)
    {
        asked.append(caption);
        startFolders.append(start);
    }
};

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldContext = pathContext();
        QDir(m_dir.path()).mkpath(QStringLiteral("doc"));
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        setDataFoldersForTest(path(QStringLiteral("doc")), path(QStringLiteral("data")));
        m_guard = std::make_unique<DialogServiceGuard>(&m_dialogs);
    }
    void TearDown() override
    {
        m_form.reset();
        m_guard.reset();
        setPathContext(m_oldContext);
    }

    // A shown window (start settings applied) using the scripted choosers.
    TMainForm& form()
    {
        if (!m_form) {
            m_form = std::make_unique<TMainForm>();
            m_form->setChoosers(&m_choosers);
            m_form->show();
        }
        return *m_form;
    }
    // A second window, as after a restart of the program.
    void restart()
    {
        m_form.reset();
        form();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Writes a small picture (the format from the extension) and returns its path.
    QString makePicture(const QString& name, int width = 40, int height = 30,
                        QColor color = QColor(200, 100, 50))
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QImage image(width, height, QImage::Format_RGB888);
        image.fill(color);
        image.save(file);
        return file;
    }
    void touch(const QString& file) { writeBytes(file, "x"); }
    template <typename T> T* control(const char* name)
    {
        T* widget = form().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    ScriptedChoosers m_choosers;
    std::unique_ptr<DialogServiceGuard> m_guard;
    std::unique_ptr<TMainForm> m_form;
    PathContext m_oldContext;
};
