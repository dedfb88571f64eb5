// Prints what Qt answers through ICU, one answer a line: case mapping,
// collation of the names a restore chooser lists, text codecs by name and
// time-zone names. The stick test runs it against the stick's runtime twice,
// with the stick's own ICU libraries and with Debian's, and expects the same
// lines: the libraries built for size must answer as Debian's do.
#include <QCollator>
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTextCodec>
#include <QTextStream>
#include <QTimeZone>

#include <algorithm>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out.setCodec("UTF-8");

    const QString mixed = QStringLiteral("straße ǆ ΣΑΣ İı workspace_工程 Ǳ");
    out << "upper: " << mixed.toUpper() << '\n' << "lower: " << mixed.toLower() << '\n';

    QStringList names{QStringLiteral("workspace_工程 备份"), QStringLiteral("workspace_备份_2023"),
                      QStringLiteral("workspace_a"), QStringLiteral("Workspace_B"),
                      QStringLiteral("workspace_20240101"), QStringLiteral("database_数据 库")};
    for (const char *locale : {"C", "zh_CN", "en_US"}) {
        QCollator collator{QLocale(QString::fromLatin1(locale))};
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), collator);
        out << "sorted " << locale << ": " << sorted.join(QLatin1Char('|')) << '\n';
    }
    QStringList aware = names;
    std::sort(aware.begin(), aware.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    out << "locale-aware: " << aware.join(QLatin1Char('|')) << '\n';

    for (const char *name : {"UTF8", "UTF-8", "GBK", "GB18030", "Big5", "ISO-8859-1", "Shift_JIS"}) {
        QTextCodec *codec = QTextCodec::codecForName(name);
        out << "codec " << name << ": "
            << (codec ? QString::fromLatin1(codec->name() + ' ' + codec->fromUnicode(names.first()).toHex())
                      : QStringLiteral("none"))
            << '\n';
    }

    const QTimeZone shanghai("Asia/Shanghai");
    out << "zone: " << shanghai.isValid() << ' '
        << shanghai.displayName(QTimeZone::StandardTime, QTimeZone::LongName, QLocale(QStringLiteral("zh_CN")))
        << ' ' << shanghai.displayName(QTimeZone::StandardTime, QTimeZone::ShortName, QLocale::c()) << '\n';
    return 0;
}
