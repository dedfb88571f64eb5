// The diagnostic dialog: its form and meta-object, and what it shows for a
// chosen text file or program (the file dialog is answered by the robot).

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "ui/rescuedialog.h"
#include "ui_rescuedialog.h"

namespace {

using support::u8;

void writeExecutable(const QString &path, const QByteArray &script)
{
    support::writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class Session {
public:
    explicit Session(const QStringList &answers) : robot(answers)
    {
        robot.setScreenshotDir(shotDir());
        dialog.show();
    }
    void click(const char *button) { dialog.findChild<QPushButton *>(QLatin1String(button))->click(); }
    QString text() const { return dialog.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText(); }
    void setText(const QString &text)
    {
        dialog.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->setPlainText(text);
    }

    static QString shotDir()
    {
        const QString base = qEnvironmentVariable("PENDANT_SCREENSHOTS");
        return base.isEmpty() ? QString() : base + QStringLiteral("/rescue-dialog");
    }

    DialogRobot robot;
    RescueDialog dialog;
};

}  // namespace

class RescueDialogTest : public support::FlowTest {
    Q_OBJECT
private slots:
    void metaObjectHasTheThreeSlotsInOrder()
    {
        const QMetaObject &meta = RescueDialog::staticMetaObject;
        QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("RescueDialog"));
        QCOMPARE(meta.superClass(), &QDialog::staticMetaObject);
        QCOMPARE(meta.methodCount() - meta.methodOffset(), 3);
        const QStringList expected = {"on_btnClear_clicked()", "on_btnText_clicked()", "on_btnProcess_clicked()"};
        for (int i = 0; i < 3; ++i) {
            const QMetaMethod slot = meta.method(meta.methodOffset() + i);
            QCOMPARE(QString::fromLatin1(slot.methodSignature()), expected[i]);
            QCOMPARE(slot.access(), QMetaMethod::Private);
            QCOMPARE(slot.methodType(), QMetaMethod::Slot);
        }
        QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    }

    void formAsBuilt()
    {
        RescueDialog dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("RescueDialog"));
        QCOMPARE(dialog.size(), QSize(532, 418));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnText"))->text(), u8("打开文本"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnProcess"))->text(), u8("打开程序"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnClear"))->text(), u8("清空"));
        auto *box = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box->orientation(), Qt::Horizontal);
        auto *browser = dialog.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
        QVERIFY(browser->isReadOnly());

        // Ok accepts, Cancel rejects.
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        box->button(QDialogButtonBox::Ok)->click();
        box->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(accepted.size(), 1);
        QCOMPARE(rejected.size(), 1);

        // An object name the dialog already has stays.
        QDialog named;
        named.setObjectName(QStringLiteral("Diagnostics"));
        Ui_RescueDialog form;
        form.setupUi(&named);
        QCOMPARE(named.objectName(), QStringLiteral("Diagnostics"));
    }

    void cancelledFileDialogsChangeNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("open text") << "btnText";
        QTest::newRow("open program") << "btnProcess";
    }

    void cancelledFileDialogsChangeNothing()
    {
        QFETCH(QString, button);
        Session s({QStringLiteral("reject")});
        s.setText(QStringLiteral("earlier output"));
        s.click(qPrintable(button));
        QCOMPARE(s.text(), QStringLiteral("earlier output"));
        QCOMPARE(s.robot.boxes().size(), 1);
        QCOMPARE(s.robot.boxes().first().className, QStringLiteral("QFileDialog"));
        QVERIFY(s.robot.problems().isEmpty());
    }

    void textFileShowsItsBytesAsLatin1UpToZero_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain lines") << QByteArray("line one\nline two") << "line one\nline two";
        QTest::newRow("zero byte cuts") << QByteArray("before\0after", 12) << "before";
        QTest::newRow("UTF-8 as Latin-1") << u8("机器人 é").toUtf8() << QString::fromLatin1(u8("机器人 é").toUtf8());
        QTest::newRow("markup stays text") << QByteArray("<b>bold</b> &amp;\n<p>x") << "<b>bold</b> &amp;\n<p>x";
        QTest::newRow("empty file") << QByteArray() << "";
    }

    void textFileShowsItsBytesAsLatin1UpToZero()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        const QString path = QStringLiteral("/root/logs dir/system.log");
        support::writeFile(path, content);
        Session s({QStringLiteral("file=") + path});
        s.setText(QStringLiteral("earlier"));
        s.click("btnText");
        QCOMPARE(s.text(), QStringLiteral("earlier\n--- text ---\n") + shown);
        QVERIFY(s.robot.problems().isEmpty());
        s.click("btnClear");
        QVERIFY(s.text().isEmpty());
    }

    void programRunsWholeInItsDirectory()
    {
        // The path holds blanks; it runs as one program, with no arguments.
        const QString dir = QStringLiteral("/root/my tools");
        const QString program = dir + QStringLiteral("/show state");
        writeExecutable(program, "#!/bin/sh\necho \"args=$#\"; pwd; printf '\\303\\251'; echo; echo oops >&2\n");
        Session s({QStringLiteral("file=") + program});
        s.click("btnProcess");
        QCOMPARE(s.text(), QStringLiteral("--- process: %1, at: %2\nargs=0\n%2\n%3\n\n<error>\noops\n")
                               .arg(program, dir, QString::fromLatin1("\xc3\xa9")));
        QVERIFY(s.robot.problems().isEmpty());
        if (!Session::shotDir().isEmpty())
            s.dialog.grab().save(Session::shotDir() + QStringLiteral("/program-output.png"));
    }

    void programThatCannotStartShowsEmptyOutputs()
    {
        const QString path = QStringLiteral("/root/notes.txt");
        support::writeFile(path, "not a program");
        Session s({QStringLiteral("file=") + path});
        s.click("btnProcess");
        QCOMPARE(s.text(), QStringLiteral("--- process: /root/notes.txt, at: /root\n\n<error>\n"));
    }
};

PENDANT_FLOW_TEST_MAIN(RescueDialogTest)
#include "test_rescue_dialog.moc"
