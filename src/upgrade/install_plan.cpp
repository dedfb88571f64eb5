#include "upgrade/install_plan.h"

#include <QFileInfo>

#include "controller/site.h"
#include "upgrade/package_file.h"

namespace upgrade {

QString packageRoot()
{
    return controller::staging_dir + QStringLiteral("/%1/").arg(zip_file_name);
}

QString staged(const QString &entry)
{
    return packageRoot() + entry;
}

const QList<PlanEntry> &installPlan()
{
    static const QList<PlanEntry> plan = {
        {QStringLiteral("Zivad-ADE/"), QStringLiteral("/root/workspace/"),
         {QStringLiteral("Zivad-ADE/Zivad-ADE")}, {QStringLiteral("Zivad-ADE"), QStringLiteral("Upgrade")},
         PlanEntry::ContentsInto},
        {QStringLiteral("HMI_Lib/"), QStringLiteral("/usr/lib"), {}, {}, PlanEntry::TopFilesInto},
        {QStringLiteral("RC/"), nfs_space_dir + QStringLiteral("/robot_control"),
         {QStringLiteral("RC/dravon"), QStringLiteral("RC/dravon_4")}, {}, PlanEntry::ReplacesFolder},
        {QStringLiteral("RC/"), workspace_dir, {}, {QStringLiteral("dravon"), QStringLiteral("dravon_4")},
         PlanEntry::ProgramsInto},
        {QStringLiteral("dravon.db"), controller::database, {QStringLiteral("dravon.db")}, {},
         PlanEntry::ReplacesDatabase},
        {QStringLiteral("db_upgrade.sh"), QStringLiteral("/root/workspace"), {}, {QStringLiteral("db_upgrade.sh")},
         PlanEntry::CopiedInto},
        {QStringLiteral("pictures"), QStringLiteral("/root/workspace"), {}, {}, PlanEntry::FolderCopiedInto},
        {QStringLiteral("sqlite3"), QStringLiteral("/usr/bin"), {}, {QStringLiteral("sqlite3")}, PlanEntry::CopiedInto},
        {QStringLiteral("robot_model.zip"), nfs_space_dir + QLatin1Char('/'), {}, {}, PlanEntry::UnpackedInto},
    };
    return plan;
}

QStringList requiredFiles()
{
    QStringList files;
    for (const PlanEntry &entry : installPlan())
        files << entry.requiredFiles;
    return files;
}

QByteArray missingFileText(const QString &file)
{
    return "Can not find file " + QFileInfo(file).fileName().toLatin1() + " in zip files!";
}

bool onDataShare(const PlanEntry &entry)
{
    return entry.target == nfs_space_dir || entry.target.startsWith(nfs_space_dir + QLatin1Char('/'));
}

}  // namespace upgrade
