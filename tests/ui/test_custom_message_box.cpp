// The custom message box: the static operations' box, captions and results,
// and the constructors' style.

#include <QPushButton>
#include <QtTest>

#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "ui/QCustomMessageBox.h"

namespace {

QString shotDir()
{
    const QString base = qEnvironmentVariable("PENDANT_SCREENSHOTS");
    return base.isEmpty() ? QString() : base + QStringLiteral("/custom-box");
}

using Show = int (*)(QWidget *, const QString &, const QString &, QMessageBox::StandardButtons,
                     QMessageBox::StandardButton);

}  // namespace

Q_DECLARE_METATYPE(QMessageBox::StandardButtons)
Q_DECLARE_METATYPE(Show)

class CustomMessageBoxTest : public QObject {
    Q_OBJECT
private slots:
    void captionsAndResults_data()
    {
        QTest::addColumn<QMessageBox::StandardButtons>("buttons");
        QTest::addColumn<QStringList>("captions");  // left to right, as shown
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("result");
        QTest::newRow("no buttons: one Ok") << QMessageBox::StandardButtons() << QStringList{"Ok"} << "Ok" << 0x400;
        QTest::newRow("Ignore | Apply: Above") << (QMessageBox::Ignore | QMessageBox::Apply)
                                               << QStringList{"Above", "Below"} << "Above" << 0x00100000;
        QTest::newRow("Ignore | Apply: Below") << (QMessageBox::Ignore | QMessageBox::Apply)
                                               << QStringList{"Above", "Below"} << "Below" << 0x02000000;
        QTest::newRow("Help and Reset") << (QMessageBox::Help | QMessageBox::Reset)
                                        << QStringList{"Auxiliary point", "End point"} << "End point" << 0x04000000;
        QTest::newRow("Yes | No | Cancel") << (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                                           << QStringList{"Yes", "No", "Cancel"} << "No" << 0x00010000;
        QTest::newRow("Save | Discard | Retry")
            << (QMessageBox::Save | QMessageBox::Discard | QMessageBox::Retry)
            << QStringList{"Save", "Discard", "Retry"} << "Retry" << 0x00080000;
        // Not in the caption table: the toolkit's caption, the box's style.
        QTest::newRow("Close keeps its caption") << QMessageBox::StandardButtons(QMessageBox::Close)
                                                 << QStringList{"Close"} << "Close" << 0x00200000;
    }

    void captionsAndResults()
    {
        QFETCH(QMessageBox::StandardButtons, buttons);
        QFETCH(QStringList, captions);
        QFETCH(QString, press);
        QFETCH(int, result);
        DialogRobot robot({press});
        robot.setScreenshotDir(shotDir());
        QWidget parent;
        const int pressed = QCustomMessageBox::ShowCustomMessageBox(
            &parent, QMessageBox::Question, QStringLiteral("Title"), QStringLiteral("Choose a point"), buttons,
            QMessageBox::NoButton);
        QCOMPARE(pressed, result);
        QCOMPARE(robot.boxes().size(), 1);
        const DialogRecord box = robot.boxes().first();
        QStringList shown = box.buttons;
        std::sort(shown.begin(), shown.end());
        std::sort(captions.begin(), captions.end());
        QCOMPARE(shown, captions);
        for (int i = 0; i < box.buttons.size(); ++i) {
            QCOMPARE(box.buttonSizes[i], QSize(100, 40));
            QCOMPARE(box.buttonSheets[i], QString::fromLatin1(QCustomMessageBox::button_qss));
        }
        QVERIFY(robot.problems().isEmpty());
    }

    // The wrappers pass everything on and differ only in the icon; the
    // parent never makes the box a child window.
    void wrappersSetTheirIconAndIgnoreTheParent_data()
    {
        QTest::addColumn<Show>("show");
        QTest::addColumn<int>("icon");
        QTest::newRow("critical") << Show(&QCustomMessageBox::critical) << int(QMessageBox::Critical);
        QTest::newRow("information") << Show(&QCustomMessageBox::information) << int(QMessageBox::Information);
        QTest::newRow("question") << Show(&QCustomMessageBox::question) << int(QMessageBox::Question);
        QTest::newRow("warning") << Show(&QCustomMessageBox::warning) << int(QMessageBox::Warning);
    }

    void wrappersSetTheirIconAndIgnoreTheParent()
    {
        QFETCH(Show, show);
        QFETCH(int, icon);
        QDialog parent;
        parent.setStyleSheet(QStringLiteral("QWidget{background:red}"));
        parent.setFont(QFont(QStringLiteral("serif"), 40));
        parent.show();
        DialogRobot robot({QStringLiteral("No")});
        bool topLevel = false;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                topLevel = box->isWindow() && box->parentWidget() == nullptr;
        });
        const int pressed = show(&parent, QStringLiteral("标题"), QStringLiteral("Text\nline two"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        QCOMPARE(pressed, int(QMessageBox::No));
        QVERIFY(topLevel);
        const DialogRecord box = robot.boxes().first();
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.title, QStringLiteral("标题"));
        QCOMPARE(box.text, QStringLiteral("Text\nline two"));
        QCOMPARE(box.className, QStringLiteral("QMessageBox"));
        QCOMPARE(box.styleSheet, QString::fromLatin1(QCustomMessageBox::box_qss));
        QCOMPARE(box.windowFlags, 0x40803);
        QVERIFY(box.styledBackground);
        QCOMPARE(box.fontFamily, QStringLiteral("microsoft_yahei"));
        QCOMPARE(box.pointSize, 16);
    }

    void defaultButtonIsTheGivenOne()
    {
        QString isDefault;
        QTimer::singleShot(50, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (box->defaultButton())
                    isDefault = box->defaultButton()->text();
                box->button(QMessageBox::Cancel)->click();
            }
        });
        const int pressed = QCustomMessageBox::ShowCustomMessageBox(
            nullptr, QMessageBox::Warning, QString(), QStringLiteral("Save?"),
            QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Save);
        QCOMPARE(pressed, int(QMessageBox::Cancel));
        QCOMPARE(isDefault, QStringLiteral("Save"));
    }

    void constructors()
    {
        QWidget parent;
        QCustomMessageBox plain(&parent);
        QCOMPARE(plain.parentWidget(), &parent);
        QVERIFY(plain.styleSheet().isEmpty());

        QCustomMessageBox styled(QMessageBox::Information, QStringLiteral("T"), QStringLiteral("Body"),
                                 QMessageBox::Ok | QMessageBox::Cancel, &parent, Qt::Dialog);
        QCOMPARE(styled.parentWidget(), &parent);
        QCOMPARE(styled.icon(), QMessageBox::Information);
        QCOMPARE(styled.windowTitle(), QStringLiteral("T"));
        QCOMPARE(styled.text(), QStringLiteral("Body"));
        QCOMPARE(styled.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(styled.styleSheet(), QString::fromLatin1(QCustomMessageBox::constructor_qss));
        QCOMPARE(styled.font().family(), QStringLiteral("microsoft_yahei"));
        QCOMPARE(styled.font().pointSize(), 20);
        QVERIFY(styled.objectName().isEmpty());
        QCOMPARE(QString::fromLatin1(styled.metaObject()->className()), QStringLiteral("QCustomMessageBox"));
        QVERIFY(styled.qt_metacast("QCustomMessageBox") == &styled);
        QCOMPARE(styled.metaObject()->methodCount(), QMessageBox::staticMetaObject.methodCount());
    }
};

PENDANT_FLOW_TEST_MAIN(CustomMessageBoxTest)
#include "test_custom_message_box.moc"
