// The small gallery project the generation tests start from.
#pragma once

#include "gallery/projectstate.h"
#include "util/paths.h"

#include <QDir>
#include <QString>
#include <gtest/gtest.h>

// The document and data folders below `root` ("docs/", "data/", the data folder made).
inline void useDataFoldersBelow(const QString& root)
{
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/data")));
    setDataFoldersForTest(root + QStringLiteral("/docs/"), root + QStringLiteral("/data/"));
}

// Start settings, the target `target` with the picture folders image1 and image2, pictures
// of 64 x 48 and thumbnails of 16 x 12.
inline void setSmallGallery(ProjectState& project, const QString& target)
{
    project.applyStartSettings();
    project.setTextValue(QStringLiteral("Ziel"), target);
    project.setTextValue(QStringLiteral("TnPath"), QStringLiteral("image1"));
    project.setTextValue(QStringLiteral("PicPath"), QStringLiteral("image2"));
    project.setIntValue(QStringLiteral("PicWidth"), 64);
    project.setIntValue(QStringLiteral("PicHeight"), 48);
    project.setIntValue(QStringLiteral("TnWidth"), 16);
    project.setIntValue(QStringLiteral("TnHeight"), 12);
}

// The target and its picture folders exist, so the run asks no folder question.
inline void makeTargetFolders(const QString& target)
{
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/image1")));
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/image2")));
}
