// Runs one maintenance utility, for tests: on the simulated pendant with the
// preloaded dialog robot answering, or as a child process of a unit test.
//   maintenance_driver clear-log
//   maintenance_driver replace DIR
//   maintenance_driver copy DEST
//   maintenance_driver delete NAME
// DIR and DEST are handed on as their bytes, NAME as the file name they
// encode. Exits 0 when the utility returns, 2 on a usage error.

#include <QApplication>
#include <QFile>
#include <QTextCodec>
#include <cstdio>
#include <cstring>

#include "maintenance/database_project_copy.h"
#include "maintenance/file_replacement.h"
#include "maintenance/log_clearing.h"
#include "maintenance/workspace_file_deletion.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));

    const char *utility = argc > 1 ? argv[1] : "";
    const bool withArgument = argc > 2;
    if (std::strcmp(utility, "clear-log") == 0) {
        ClearLogRecord();
    } else if (std::strcmp(utility, "replace") == 0 && withArgument) {
        ReplaceFile(QString::fromLatin1(argv[2]));
    } else if (std::strcmp(utility, "copy") == 0 && withArgument) {
        CpDatabaseAndProject(QString::fromLatin1(argv[2]));
    } else if (std::strcmp(utility, "delete") == 0 && withArgument) {
        QString name = QFile::decodeName(argv[2]);
        DeleteFile(name);
    } else {
        std::fprintf(stderr, "usage: %s clear-log | replace DIR | copy DEST | delete NAME\n", argv[0]);
        return 2;
    }
    return 0;
}
