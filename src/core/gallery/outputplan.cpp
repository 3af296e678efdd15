// The output plan of a generation run: every file it writes, who writes each one last, and
// which of them would replace an original.
#include "gallery/outputplan.h"

#include "gallery/indexpage.h"
#include "util/samefile.h"

#include <QFileInfo>
#include <QSet>

namespace {

int pictureSlot(OutputKind kind)
{
    switch (kind) {
    case OutputKind::LargePicture:
        return 0;
    case OutputKind::SmallPicture:
        return 1;
    case OutputKind::PicturePage:
        return 2;
    case OutputKind::LargePicture2x:
        return 3;
    case OutputKind::SmallPicture2x:
        return 4;
    default:
        return -1;
    }
}

// What wrote an output, for the clash warnings: each source once.
QString sourceId(const PlannedOutput& o)
{
    switch (o.kind) {
    case OutputKind::LargePicture:
    case OutputKind::SmallPicture:
    case OutputKind::PicturePage:
    case OutputKind::LargePicture2x:
    case OutputKind::SmallPicture2x:
        return QStringLiteral("p%1").arg(o.index);
    case OutputKind::IndexPage:
        return QStringLiteral("i%1").arg(o.index);
    case OutputKind::NavPicture:
        return QStringLiteral("n") + o.copiedFrom;
    default:
        return QString::number(int(o.kind));
    }
}

QString describe(const PlannedOutput& o, const GalleryNames& names)
{
    const QString file = QFileInfo(o.path).fileName();
    switch (o.kind) {
    case OutputKind::LargePicture:
    case OutputKind::SmallPicture:
    case OutputKind::PicturePage:
    case OutputKind::LargePicture2x:
    case OutputKind::SmallPicture2x:
        return u'"' + GetPicName(QString(), o.index, names) + u'"';
    case OutputKind::IndexPage:
        return QStringLiteral("Indexseite \"") + file + u'"';
    case OutputKind::NavPicture:
        return QStringLiteral("Navigationsbild \"") + o.copiedFrom + u'"';
    default:
        return u'"' + file + u'"';
    }
}

} // namespace

bool OutputPlan::writes(int entry, OutputKind kind) const
{
    return !writtenPath(entry, kind).isEmpty();
}

QString OutputPlan::writtenPath(int entry, OutputKind kind) const
{
    const int slot = pictureSlot(kind);
    if (entry < 0 || entry >= pictureOutputs.size() || slot < 0)
        return {};
    const int position = pictureOutputs.at(entry)[slot];
    if (position < 0 || outputs.at(position).supersededBy >= 0)
        return {};
    return outputs.at(position).path;
}

QString OutputPlan::path(OutputKind kind, int index) const
{
    for (const PlannedOutput& o : outputs) {
        if (o.kind == kind && (index < 0 || o.index == index))
            return o.path;
    }
    return {};
}

QString OutputPlan::copyOf(const QString& source) const
{
    for (const PlannedOutput& o : outputs) {
        if (o.kind == OutputKind::NavPicture && o.copiedFrom == source)
            return o.path;
    }
    return {};
}

QString indexDatFor(const QString& exportPath, const QString& indexSetting, bool cdImage)
{
    // Only the file name counts: the index pages lie in the target folder beside the picture
    // pages that link to them, and "../" must not lead a page out of it.
    const QString name = fileNameOf(indexSetting);
    if (cdImage || name.isEmpty())
        return exportPath + QStringLiteral("index.htm");
    if (name.contains(QChar(u'.')))
        return exportPath + name;
    return exportPath + name + QStringLiteral(".htm");
}

QString indexPagePath(int p, const GalleryLayout& layout)
{
    return p == 0 ? layout.indexDat : layout.names.exportPath + PageName(p, layout);
}

QStringList outputFolders(const GalleryNames& names)
{
    return {names.tnPath, names.bildPath, names.exportPath,
            doubleSizePath(names.tnPath, names.style), doubleSizePath(names.bildPath, names.style)};
}

QList<std::pair<int, int>> OutputPlan::clashes() const
{
    QList<std::pair<int, int>> pairs;
    QSet<QString> seen;
    for (int i = 0; i < outputs.size(); ++i) {
        if (outputs[i].supersededBy < 0)
            continue;
        int survivor = outputs[i].supersededBy;
        while (outputs[survivor].supersededBy >= 0)
            survivor = outputs[survivor].supersededBy;
        const QString pair = sourceId(outputs[i]) + u'\n' + sourceId(outputs[survivor]);
        if (!seen.contains(pair)) {
            seen.insert(pair);
            pairs.append({i, survivor});
        }
    }
    return pairs;
}

OutputPlan planOutputs(const GalleryLayout& layout, const ExtraOutputs& extra, FileKeys& keys)
{
    OutputPlan plan;
    const GalleryNames& names = layout.names;
    const auto add = [&](OutputKind kind, const QString& path, int index = -1,
                         const QString& copiedFrom = {}) {
        PlannedOutput o{kind, path, index, copiedFrom, keys.entryKey(path)};
        // A copy onto the file itself writes nothing.
        if (!copiedFrom.isEmpty() && keys.fileKeys(copiedFrom).contains(o.key))
            return -1;
        plan.outputs.append(o);
        return int(plan.outputs.size() - 1);
    };

    for (const QString& nav : extra.navPictures)
        add(OutputKind::NavPicture, names.exportPath + QFileInfo(nav).fileName(), -1, nav);
    add(OutputKind::StyleSheet, names.exportPath + QStringLiteral("font.css"));
    QStringList doubleSizeFiles; // every picture's, whether made or not
    for (int i = 0; i < names.files.size(); ++i) {
        std::array<int, 5> slots{-1, -1, -1, -1, -1};
        const QString large = GetPicName(QStringLiteral("g"), i, names);
        const QString small = GetPicName(QStringLiteral("k"), i, names);
        doubleSizeFiles << doubleSizePath(large, names.style) << doubleSizePath(small, names.style);
        slots[0] = add(OutputKind::LargePicture, large, i);
        slots[1] = add(OutputKind::SmallPicture, small, i);
        if (i < layout.doubleSizes.size()) {
            const DoubleSizes& sizes = layout.doubleSizes.at(i);
            if (sizes.hasLarge2x())
                slots[3] = add(OutputKind::LargePicture2x, doubleSizePath(large, names.style), i);
            if (sizes.hasSmall2x())
                slots[4] = add(OutputKind::SmallPicture2x, doubleSizePath(small, names.style), i);
        }
        slots[2] = add(OutputKind::PicturePage, GetPicName(QStringLiteral("h"), i, names), i);
        plan.pictureOutputs.append(slots);
    }
    for (int p = 0; p < indexPageCount(layout); ++p)
        add(OutputKind::IndexPage, indexPagePath(p, layout), p);
    if (extra.cdImage) {
        add(OutputKind::CdStarter, names.exportPath + QStringLiteral("index.exe"), -1,
            extra.starter);
        add(OutputKind::CdAutorun, names.exportPath + QStringLiteral("autorun.inf"));
    }

    QSet<QString> planned;
    for (const PlannedOutput& o : std::as_const(plan.outputs))
        planned.insert(o.path);
    for (const QString& file : std::as_const(doubleSizeFiles)) {
        if (!planned.contains(file))
            plan.unplannedDoubleSizes << file;
    }

    // Walking backwards, each output learns the next one that writes its file.
    QHash<QString, int> later;
    for (int i = int(plan.outputs.size()) - 1; i >= 0; --i) {
        PlannedOutput& o = plan.outputs[i];
        const auto it = later.constFind(o.key);
        if (it != later.constEnd())
            o.supersededBy = it.value();
        later.insert(o.key, i);
    }
    return plan;
}

QStringList overwrittenOriginals(const OutputPlan& plan, const QStringList& protectedFiles,
                                 FileKeys& keys)
{
    QHash<QString, QString> originals; // key -> protected path
    for (const QString& file : protectedFiles) {
        if (file.isEmpty())
            continue;
        for (const QString& key : keys.fileKeys(file))
            originals.insert(key, file);
    }
    QStringList hit;
    for (const PlannedOutput& o : plan.outputs) {
        for (const QString& key : keys.entryKeys(o.path)) {
            const auto it = originals.constFind(key);
            if (it != originals.constEnd() && !hit.contains(it.value()))
                hit.append(it.value());
        }
    }
    return hit;
}

QStringList clashWarnings(const OutputPlan& plan, const GalleryNames& names)
{
    QStringList warnings;
    for (const auto& [earlier, survivor] : plan.clashes()) {
        const PlannedOutput& a = plan.outputs.at(earlier);
        const PlannedOutput& b = plan.outputs.at(survivor);
        warnings.append(QStringLiteral("gleiche Ausgabedatei \"%1\" für %2 und %3, es bleibt %3")
                            .arg(b.path, describe(a, names), describe(b, names)));
    }
    return warnings;
}
