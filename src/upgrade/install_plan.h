#pragma once
// The install plan of the package tesma.zip: one table of its entries, in
// the order they are installed, saying for each where it comes from in the
// package, where it goes, whether the package must hold it, which of its
// files become executable, how it is placed, the step a failure names and
// the progress shown once it is in place. The required-entry check,
// the space checks and the install order all derive from it, and so does
// the package builder's check (tools/make-package check, through
// package-check), so that the tool and the builder cannot disagree.

#include <QList>
#include <QString>
#include <QStringList>

namespace upgrade {

struct PlanEntry {
    enum Placement {
        ContentsInto,      // the folder's content copied into the target folder
        TopFilesInto,      // the folder's top-level files copied into the target folder
        ReplacesFolder,    // copied whole beside the target folder, then renamed over it
        ProgramsInto,      // the folder's entries staged on the target's share, each renamed into place
        ReplacesDatabase,  // the controller database, kept and replaced (database/dravon_db.h)
        CopiedInto,        // the file, when the package has it, copied into the target folder
        FolderCopiedInto,  // the folder copied whole into the target folder, on every run
        UnpackedInto,      // a zip archive copied into the target folder and unpacked there
    };
    QString source;            // under the package root: a folder ends in '/'
    QString target;            // where it goes
    QStringList requiredFiles;  // files under the package root without which nothing is installed
    QStringList executables;   // files made executable once placed, by their name in the target
    Placement placement = CopiedInto;
    const char *step = "";           // the step, as the box of its failure names it (UTF-8)
    int valueAfter = -1;             // the progress value once installed; -1: unchanged
    const char *labelAfter = nullptr;  // then the progress label (UTF-8); none: unchanged
};

// The placements by name, as package-check --plan lists them for the
// package builder: "contents", "top-files", "replaces-folder", "programs",
// "database", "file", "folder", "zip".
const char *placementName(PlanEntry::Placement placement);

// "/home/ostrel/nfs_space/tmp/tesma/": where the unpacked package lies.
QString packageRoot();

// An entry of the unpacked package: packageRoot() + `entry`.
QString staged(const QString &entry);

// The package's entries in the order they are installed.
const QList<PlanEntry> &installPlan();

// The files a package must hold, in the order they are checked: every
// entry's required files, in plan order.
QStringList requiredFiles();

// The warning for a required file the package lacks, as the pendant's
// software words it: "Can not find file <name> in zip files!".
QByteArray missingFileText(const QString &file);

// Whether the entry lands on the controller's data share, where the
// package is copied and unpacked too (its room is checked before the copy).
bool onDataShare(const PlanEntry &entry);

}  // namespace upgrade
