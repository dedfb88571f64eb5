#include "upgrade/package_checks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "controller/site.h"
#include "ui/dialog_recipes.h"
#include "upgrade/install_plan.h"
#include "upgrade/package_policy.h"
#include "upgrade/upgrade_boxes.h"

namespace upgrade {

namespace {

// Bytes of the files at `path`: a file's size, or a folder's files summed.
qint64 treeSize(const QString &path, bool topLevelOnly = false)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return info.isFile() ? info.size() : 0;
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    topLevelOnly ? QDirIterator::NoIteratorFlags : QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

// Whether the package's entry `name` (below its top folder) belongs to
// `entry` of the plan.
bool belongsTo(const QByteArray &name, const PlanEntry &entry)
{
    const QByteArray source = entry.source.toUtf8();
    return source.endsWith('/') ? name.startsWith(source) : name == source;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral("MB");
}

}  // namespace

Problem missingRequiredFile()
{
    for (const QString &file : requiredFiles())
        if (!QFile::exists(staged(file)))
            return {Problem::PlainWarning, QString::fromLatin1(missingFileText(file))};
    return {};
}

Problem stagedProblem(QList<ZipEntry> &models)
{
    QDirIterator it(packageRoot(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink())
            return refused(QString::fromLocal8Bit("含有符号链接%1").arg(it.fileInfo().fileName()));
    }
    models.clear();
    for (const PlanEntry &entry : installPlan()) {
        QString problem;
        if (entry.placement == PlanEntry::ReplacesDatabase)
            problem = databaseProblem(staged(entry.source));
        else if (entry.placement == PlanEntry::UnpackedInto && QFileInfo::exists(staged(entry.source)))
            problem = modelsProblem(staged(entry.source), models);
        if (!problem.isEmpty())
            return refused(problem);
    }
    return {};
}

QList<SpaceNeed> dataShareNeeds(qint64 packageSize, const QList<ZipEntry> &entries)
{
    // Copied again from the staging folder into the share: what the plan
    // puts there (the controller programs, the database under a temporary
    // name, the robot models).
    quint64 copies = 0;
    for (const ZipEntry &e : entries) {
        const QByteArray name = e.name.mid(e.name.indexOf('/') + 1);
        for (const PlanEntry &entry : installPlan()) {
            if (onDataShare(entry) && belongsTo(name, entry)) {
                copies += e.size;
                break;
            }
        }
    }
    // Kept until the switch: the old database as the before-upgrade copy,
    // or the old controller programs until the new ones take their place.
    qint64 largestReplaced = 0;
    for (const PlanEntry &entry : installPlan())
        if (entry.placement == PlanEntry::ReplacesFolder || entry.placement == PlanEntry::ReplacesDatabase)
            largestReplaced = qMax(largestReplaced, treeSize(entry.target));
    SpaceNeed need;
    need.where = nfs_space_dir;
    need.needed = packageSize + qint64(unpackedSize(entries) + copies) + largestReplaced;
    need.available = QStorageInfo(nfs_space_dir).bytesAvailable();
    return {need};
}

QList<SpaceNeed> installNeeds(const QList<ZipEntry> &models)
{
    struct Target {
        QString where;
        qint64 bytes;
    };
    QList<Target> targets;
    for (const PlanEntry &entry : installPlan()) {
        QString where = entry.target;
        if (where.size() > 1 && where.endsWith(QLatin1Char('/')))
            where.chop(1);
        if (entry.placement == PlanEntry::UnpackedInto) {
            targets.append({where, qint64(unpackedSize(models))});
        } else if (!onDataShare(entry)) {
            targets.append({where, treeSize(staged(entry.source), entry.placement == PlanEntry::TopFilesInto)});
        }
    }
    // Targets on one file system share its free space.
    QList<SpaceNeed> needs;
    QStringList roots;
    for (const Target &t : targets) {
        QString dir = t.where;
        while (!QFileInfo::exists(dir) && dir.contains(QLatin1Char('/')))
            dir = QFileInfo(dir).path();
        const QStorageInfo storage(dir);
        const int at = roots.indexOf(storage.rootPath());
        if (at >= 0) {
            needs[at].needed += t.bytes;
            continue;
        }
        roots.append(storage.rootPath());
        needs.append({t.where, t.bytes, storage.bytesAvailable()});
    }
    return needs;
}

Problem roomProblem(const QList<SpaceNeed> &needs)
{
    for (const SpaceNeed &need : needs)
        if (need.needed > need.available)
            return {Problem::Result,
                    QString::fromLocal8Bit("存储空间不足，无法升级。\n位置：%1\n需要%2，可用%3。\n未安装任何文件。")
                        .arg(need.where, megabytes(need.needed), megabytes(need.available))};
    return {};
}

}  // namespace upgrade
