// package-check: judges an update package (tesma.zip) by the forced
// upgrade's own rules, compiled from the same sources, for the package
// builder (tools/make-package check). One line per rule, "OK   <rule>" or
// "FAIL <rule>: <why, as the tool words it>"; exit status 0 when the tool
// would install the package, 1 when it would refuse it, 2 for a wrong call.
//   package-check PACKAGE.zip
//   package-check --required     the files a package must hold, one a line
//   package-check --plan         the install plan's entries, "SOURCE<tab>PLACEMENT", the
//                                placement named as upgrade::placementName() names it
//   package-check --verify PUB PACKAGE.zip
//                                the tool's own signature check of the package
//                                against the key PUB (tools/bench-signature.sh
//                                measures it): "OK <key> <version>" or "FAIL <why>"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>
#include <algorithm>
#include <cstdio>

#include "controller/site.h"
#include "exec/commands.h"
#include "exec/shell_quote.h"
#include "ui/force_global.h"
#include "upgrade/install_plan.h"
#include "upgrade/package_signature.h"
#include "upgrade/package_file.h"
#include "upgrade/package_policy.h"
#include "upgrade/zip_directory.h"

namespace {

bool failed = false;

void report(const QString &rule, const QString &problem)
{
    if (problem.isEmpty()) {
        std::printf("OK   %s\n", qPrintable(rule));
    } else {
        std::printf("FAIL %s: %s\n", qPrintable(rule), qPrintable(problem));
        failed = true;
    }
}

// Unpacks the one entry `name` of the package to `to`, as unzip would.
bool unpackEntry(const QString &package, const QString &name, const QString &to)
{
    // Through the tool's own command runner (vfork): QProcess starts its
    // child with a pidfd clone, which qemu-user refuses, and an ARM build's
    // check runs under it.
    return exec::succeeds(exec::Route::Runner, QStringLiteral("unzip -p %1 %2 > %3")
                                                   .arg(exec::shellQuoteFileName(package),
                                                        exec::shellQuoteFileName(name), exec::shellQuoteFileName(to)));
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));
    if (argc == 4 && qstrcmp(argv[1], "--verify") == 0) {
        QFile key(QString::fromLocal8Bit(argv[2]));
        if (!key.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "package-check: cannot read %s\n", argv[2]);
            return 2;
        }
        upgrade::SignedPackage signedPackage;
        const QString problem =
            upgrade::signatureProblem(QString::fromLocal8Bit(argv[3]), {key.readAll()}, signedPackage);
        if (!problem.isEmpty()) {
            std::printf("FAIL %s\n", qPrintable(problem));
            return 1;
        }
        std::printf("OK %s %s\n", qPrintable(signedPackage.keyFingerprint), qPrintable(signedPackage.version));
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: package-check PACKAGE.zip | --required | --plan | --verify PUB PACKAGE.zip\n");
        return 2;
    }
    if (qstrcmp(argv[1], "--plan") == 0) {
        for (const upgrade::PlanEntry &entry : upgrade::installPlan())
            std::printf("%s\t%s\n", qPrintable(entry.source), upgrade::placementName(entry.placement));
        return 0;
    }
    if (qstrcmp(argv[1], "--required") == 0) {
        for (const QString &file : upgrade::requiredFiles())
            std::printf("%s\n", qPrintable(file));
        return 0;
    }
    const QString package = QString::fromLocal8Bit(argv[1]);
    const QString top = zip_file_name + QLatin1Char('/');

    QList<upgrade::ZipEntry> entries;
    const QString problem = upgrade::entriesProblem(package, entries);
    report(QStringLiteral("the tool accepts the package's entries"), problem);
    if (!entries.isEmpty() || problem.isEmpty()) {
        for (const QString &file : upgrade::requiredFiles()) {
            const QByteArray name = (top + file).toUtf8();
            const bool present =
                std::any_of(entries.begin(), entries.end(), [&](const upgrade::ZipEntry &e) { return e.name == name; });
            report(top + file + QStringLiteral(" present"),
                   present ? QString() : QString::fromLatin1(upgrade::missingFileText(file)));
        }
    }

    // The entries the tool judges once they are unpacked.
    QTemporaryDir scratch;
    auto judgeUnpacked = [&](const QString &entry, const QString &rule,
                             QString (*judge)(const QString &)) {
        const QByteArray name = (top + entry).toUtf8();
        if (!std::any_of(entries.begin(), entries.end(), [&](const upgrade::ZipEntry &e) { return e.name == name; }))
            return;
        const QString file = scratch.filePath(entry);
        report(rule, unpackEntry(package, top + entry, file) ? judge(file)
                                                             : QStringLiteral("unzip cannot unpack %1").arg(top + entry));
    };
    judgeUnpacked(QStringLiteral("robot_model.zip"), QStringLiteral("the tool accepts tesma/robot_model.zip"),
                  [](const QString &models) {
                      QList<upgrade::ZipEntry> members;
                      return upgrade::modelsProblem(models, members);
                  });
    judgeUnpacked(QStringLiteral("dravon.db"), QStringLiteral("the tool accepts tesma/dravon.db"),
                  upgrade::databaseProblem);
    return failed ? 1 : 0;
}
