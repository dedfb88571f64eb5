#include "upgrade/package_checks.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QVariant>

#include "controller/site.h"
#include "ui/dialog_recipes.h"
#include "upgrade/upgrade_steps.h"

namespace upgrade {

namespace {

const QString &data_share = nfs_space_dir;

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

// True when a line of `sql` after a line break starts with a '.' (blanks
// before it included): a shell reading a dump takes such a line as one of
// its own commands.
bool hidesDotCommand(const QString &sql)
{
    const QStringList lines = sql.split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size(); ++i)
        if (lines[i].trimmed().startsWith(QLatin1Char('.')))
            return true;
    return false;
}

QString dotCommandProblem(const QString &database)
{
    const QString name = QStringLiteral("package_check");
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select name, sql from sqlite_master where sql is not null"))) {
                while (query.next() && problem.isEmpty())
                    if (hidesDotCommand(query.value(1).toString()))
                        problem = QString::fromLocal8Bit("dravon.db中%1的SQL含有以“.”开头的行")
                                      .arg(query.value(0).toString());
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral("MB");
}

}  // namespace

QString packageProblem(const QString &packagePath, QList<ZipEntry> &entries)
{
    if (!readZipDirectory(packagePath, entries))
        return QString::fromLocal8Bit("无法读取压缩包目录");
    for (const ZipEntry &e : entries)
        if (e.symlink)
            return QString::fromLocal8Bit("含有符号链接%1").arg(QString::fromUtf8(e.name));
    return QString();
}

QString stagedProblem()
{
    // A link unpacked from the package, should one have slipped through.
    QDirIterator it(packageRoot(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink())
            return QString::fromLocal8Bit("含有符号链接%1").arg(it.fileInfo().fileName());
    }
    const QString models = staged(QStringLiteral("robot_model.zip"));
    if (QFileInfo::exists(models)) {
        QList<ZipEntry> entries;
        if (!readZipDirectory(models, entries))
            return QString::fromLocal8Bit("无法读取robot_model.zip");
        for (const ZipEntry &e : entries) {
            if (e.symlink)
                return QString::fromLocal8Bit("robot_model.zip中的%1是符号链接").arg(QString::fromUtf8(e.name));
            if (escapes(e.name) || !e.name.startsWith("robot_model/"))
                return QString::fromLocal8Bit("robot_model.zip中的%1不在robot_model/之下")
                    .arg(QString::fromUtf8(e.name));
        }
        // It is unpacked only after everything else is installed: a damaged
        // member must stop the upgrade before then.
        const QString damaged = packedProblem(models, entries);
        if (!damaged.isEmpty())
            return damaged;
    }
    return dotCommandProblem(staged(QStringLiteral("dravon.db")));
}

QList<SpaceNeed> dataShareNeeds(qint64 packageSize, const QList<ZipEntry> &entries)
{
    // Copied again from the staging folder into the share: the controller
    // programs, the database (under a temporary name) and the robot models.
    quint64 copies = 0;
    for (const ZipEntry &e : entries) {
        const QByteArray name = e.name.mid(e.name.indexOf('/') + 1);
        if (name.startsWith("RC/") || name == "dravon.db" || name == "robot_model.zip")
            copies += e.size;
    }
    // Kept until the switch: the old database as the before-upgrade copy,
    // or the old controller programs until the new ones take their place.
    const qint64 largestReplaced =
        qMax(treeSize(controller::database), treeSize(data_share + QStringLiteral("/robot_control")));
    SpaceNeed need;
    need.where = data_share;
    need.needed = packageSize + qint64(unpackedSize(entries) + copies) + largestReplaced;
    need.available = QStorageInfo(data_share).bytesAvailable();
    return {need};
}

QList<SpaceNeed> installNeeds()
{
    struct Target {
        QString where;
        qint64 bytes;
    };
    QList<ZipEntry> models;
    readZipDirectory(staged(QStringLiteral("robot_model.zip")), models);
    const QList<Target> targets = {
        {QStringLiteral("/root/workspace"),
         treeSize(staged(QStringLiteral("Zivad-ADE"))) + treeSize(staged(QStringLiteral("pictures"))) +
             treeSize(staged(QStringLiteral("db_upgrade.sh")))},
        {QStringLiteral("/usr/lib"), treeSize(staged(QStringLiteral("HMI_Lib")), true)},
        {QStringLiteral("/usr/bin"), treeSize(staged(QStringLiteral("sqlite3")))},
        {QStringLiteral("/home/ostrel/workspace"), treeSize(staged(QStringLiteral("RC")))},
        {data_share, qint64(unpackedSize(models))},
    };
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

bool roomFor(const QList<SpaceNeed> &needs)
{
    for (const SpaceNeed &need : needs) {
        if (need.needed <= need.available)
            continue;
        ui::execStyledBox(QString::fromLocal8Bit("错误"), QMessageBox::Warning,
                          QString::fromLocal8Bit("存储空间不足，无法升级。\n位置：%1\n需要%2，可用%3。\n未安装任何文件。")
                              .arg(need.where, megabytes(need.needed), megabytes(need.available)),
                          {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}}, resultBoxStyle());
        return false;
    }
    return true;
}

void showPackageWarning(const QString &problem)
{
    ui::execStyledBox(QString::fromLocal8Bit("错误"), QMessageBox::Warning,
                      QString::fromLocal8Bit("升级包%1.zip不可用：%2。\n未安装任何文件。").arg(zip_file_name, problem),
                      {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}}, resultBoxStyle());
}

}  // namespace upgrade
