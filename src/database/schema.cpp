#include "database/schema.h"

#include <QProgressDialog>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

const QStringList &required_tables()
{
    static const QStringList tables = {
        QStringLiteral("log_content_t"),
        QStringLiteral("io_params_t"),
        QStringLiteral("system_log_t"),
        QStringLiteral("ethernet_ip_io_params_t"),
        QStringLiteral("global_variables_t"),
        QStringLiteral("panasonic_error_map_t"),
        QStringLiteral("profinet_io_params_t"),
        QStringLiteral("material_pallet_conf_t"),
        QStringLiteral("tronix_error_map_t"),
        QStringLiteral("wobj_t"),
        QStringLiteral("load_t"),
        QStringLiteral("task_t"),
        QStringLiteral("sqlite_sequence"),
        QStringLiteral("frame_t"),
        QStringLiteral("tool_t"),
        QStringLiteral("user_t"),
        QStringLiteral("carving_machine_robtarget_t"),
        QStringLiteral("tsinodynatron_error_map_t"),
        QStringLiteral("adtech_error_map_t"),
        QStringLiteral("robot_ontology_params_t"),
        QStringLiteral("collision_detection_params_t"),
        QStringLiteral("signal_content_t"),
        QStringLiteral("conveyors_params_t"),
        QStringLiteral("pallet_conf_t"),
        QStringLiteral("track_params_t"),
        QStringLiteral("workbench_t"),
        QStringLiteral("carving_machine_time_t"),
        QStringLiteral("system_variable_t"),
        QStringLiteral("system_io_params_t"),
        QStringLiteral("force_control_params_t"),
        QStringLiteral("serial_para_t"),
    };
    return tables;
}

namespace {

// The number of tables named `name`; -1 when the statement fails or yields
// no row, as it does for a file that is not an SQLite database.
int tableCount(QSqlQuery &query, const QString &name)
{
    if (!query.exec(QStringLiteral("select count(*) from sqlite_master where type='table' and name='%1'")
                        .arg(name)))
        return -1;
    int count = -1;
    while (query.next()) {
        count = query.value(0).toInt();
        if (count == 0)
            break;
    }
    return count;
}

bool allTablesPresent(QSqlQuery &query, QProgressDialog *progress)
{
    int passed = 0;
    for (const QString &name : required_tables()) {
        if (tableCount(query, name) <= 0)
            return false;
        if (progress)
            progress->setValue(31 + passed);
        ++passed;
    }
    return true;
}

}  // namespace

table_audit_result check_db_tables(const QString &path, QProgressDialog *progress)
{
    // The audit is the only user of the default connection; a registration
    // left by an earlier audit is taken up again rather than replaced.
    QSqlDatabase db = QSqlDatabase::contains()
                          ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    if (!db.open())
        return audit_open_failed;
    bool present;
    {
        QSqlQuery query(db);
        present = allTablesPresent(query, progress);
    }
    db.close();
    return present ? audit_all_present : audit_table_missing;
}

namespace database {

QMap<QString, qint64> rowCounts(const QString &path)
{
    const QString name = QStringLiteral("table_rows");
    QMap<QString, qint64> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            QStringList tables;
            if (query.exec(QStringLiteral("select name from sqlite_master where type='table'")))
                while (query.next())
                    tables << query.value(0).toString();
            for (const QString &table : tables) {
                QString quoted = table;
                quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
                if (query.exec(QStringLiteral("select count(*) from \"%1\"").arg(quoted)) && query.next())
                    rows.insert(table, query.value(0).toLongLong());
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

bool hidesDotCommand(const QString &sql)
{
    const QStringList lines = sql.split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size(); ++i)
        if (lines[i].trimmed().startsWith(QLatin1Char('.')))
            return true;
    return false;
}

QString dotCommandHolder(const QString &path)
{
    const QString name = QStringLiteral("dot_command_rule");
    QString holder;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select name, sql from sqlite_master where sql is not null"))) {
                while (query.next() && holder.isEmpty())
                    if (hidesDotCommand(query.value(1).toString()))
                        holder = query.value(0).toString();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return holder;
}

}  // namespace database
