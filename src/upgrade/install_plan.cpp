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
         PlanEntry::ContentsInto, "更新HMI", 60},
        {QStringLiteral("HMI_Lib/"), QStringLiteral("/usr/lib"), {}, {}, PlanEntry::TopFilesInto, "更新HMI_Lib", 70,
         "更新dravon..."},
        {QStringLiteral("RC/"), nfs_space_dir + QStringLiteral("/robot_control"),
         {QStringLiteral("RC/dravon"), QStringLiteral("RC/dravon_4")}, {}, PlanEntry::ReplacesFolder,
         "更新robot_control"},
        {QStringLiteral("RC/"), workspace_dir, {}, {QStringLiteral("dravon"), QStringLiteral("dravon_4")},
         PlanEntry::ProgramsInto, "更新dravon", 80, "更新dravon.db..."},
        {QStringLiteral("dravon.db"), controller::database, {QStringLiteral("dravon.db")}, {},
         PlanEntry::ReplacesDatabase, "更新dravon.db", 90},
        {QStringLiteral("db_upgrade.sh"), QStringLiteral("/root/workspace"), {}, {QStringLiteral("db_upgrade.sh")},
         PlanEntry::CopiedInto, "安装db_upgrade.sh"},
        {QStringLiteral("pictures"), QStringLiteral("/root/workspace"), {}, {}, PlanEntry::FolderCopiedInto,
         "安装pictures"},
        {QStringLiteral("sqlite3"), QStringLiteral("/usr/bin"), {}, {QStringLiteral("sqlite3")}, PlanEntry::CopiedInto,
         "安装sqlite3"},
        {QStringLiteral("robot_model.zip"), nfs_space_dir + QLatin1Char('/'), {}, {}, PlanEntry::UnpackedInto,
         "安装robot_model.zip"},
    };
    return plan;
}

const char *placementName(PlanEntry::Placement placement)
{
    switch (placement) {
    case PlanEntry::ContentsInto: return "contents";
    case PlanEntry::TopFilesInto: return "top-files";
    case PlanEntry::ReplacesFolder: return "replaces-folder";
    case PlanEntry::ProgramsInto: return "programs";
    case PlanEntry::ReplacesDatabase: return "database";
    case PlanEntry::CopiedInto: return "file";
    case PlanEntry::FolderCopiedInto: return "folder";
    case PlanEntry::UnpackedInto: return "zip";
    }
    return "";
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
