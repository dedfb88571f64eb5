#include "upgrade/package_policy.h"

#include "database/schema.h"
#include "ui/force_global.h"
#include "upgrade/package_file.h"

namespace upgrade {

QString entriesProblem(const QString &packagePath, QList<ZipEntry> &entries)
{
    if (!readZipDirectory(packagePath, entries))
        return QString::fromLocal8Bit("无法读取压缩包目录");
    // Entries beside tesma/ (a README.txt, the __MACOSX/ folder some zip
    // tools add) land in the staging folder, which goes at the end, and are
    // never installed; only what could reach outside it is refused.
    for (const ZipEntry &e : entries) {
        if (e.symlink)
            return QString::fromLocal8Bit("含有符号链接%1").arg(QString::fromUtf8(e.name));
        if (escapes(e.name))
            return QString::fromLocal8Bit("%1不在%2/之下").arg(QString::fromUtf8(e.name), zip_file_name);
    }
    return QString();
}

QString modelsProblem(const QString &modelsZip, QList<ZipEntry> &entries)
{
    if (!readZipDirectory(modelsZip, entries))
        return QString::fromLocal8Bit("无法读取robot_model.zip");
    for (const ZipEntry &e : entries) {
        if (e.symlink)
            return QString::fromLocal8Bit("robot_model.zip中的%1是符号链接").arg(QString::fromUtf8(e.name));
        if (escapes(e.name) || !e.name.startsWith("robot_model/"))
            return QString::fromLocal8Bit("robot_model.zip中的%1不在robot_model/之下").arg(QString::fromUtf8(e.name));
    }
    // It is unpacked only after everything else is installed: a damaged
    // member must stop the upgrade before then.
    return packedProblem(modelsZip, entries);
}

QString databaseProblem(const QString &database)
{
    const QString holder = database::dotCommandHolder(database);
    return holder.isEmpty() ? QString()
                            : QString::fromLocal8Bit("dravon.db中%1的SQL含有以“.”开头的行").arg(holder);
}

}  // namespace upgrade
