// The recipes every dialog is built from: what each sets, and what a person
// sees (screenshots are saved to $PENDANT_SCREENSHOTS/recipes when set).

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "ui/dialog_recipes.h"

namespace {

using support::u8;

QString shotDir()
{
    const QString base = qEnvironmentVariable("PENDANT_SCREENSHOTS");
    return base.isEmpty() ? QString() : base + QStringLiteral("/recipes");
}

}  // namespace

class DialogRecipesTest : public QObject {
    Q_OBJECT
private slots:
    void styledBoxFollowsTheRecipe()
    {
        QList<QAbstractButton *> made;
        QScopedPointer<QMessageBox> box(ui::buildStyledBox(
            u8("警告"), QMessageBox::Critical, u8("程序进入抢救模式！\n请选择抢救流程："),
            {{u8("修复"), QMessageBox::YesRole}, {u8("恢复"), QMessageBox::NoRole},
             {u8("取消"), QMessageBox::RejectRole}},
            ui::BoxStyle(), &made));
        QVERIFY(box->parent() == nullptr);
        QCOMPARE(box->minimumSize(), QSize(400, 200));
        QCOMPARE(box->maximumSize(), QSize(400, 200));
        QCOMPARE(box->font().family(), QStringLiteral("microsoft_yahei"));
        QCOMPARE(box->font().pointSize(), 20);
        QCOMPARE(box->font().weight(), 50);
        QCOMPARE(box->styleSheet(), msg_qss);
        QCOMPARE(int(box->windowFlags()), 0x40803);
        QVERIFY(box->testAttribute(Qt::WA_StyledBackground));
        QCOMPARE(box->windowTitle(), u8("警告"));
        QCOMPARE(made.size(), 3);
        QCOMPARE(box->buttonRole(made[0]), QMessageBox::YesRole);
        QCOMPARE(box->buttonRole(made[1]), QMessageBox::NoRole);
        QCOMPARE(box->buttonRole(made[2]), QMessageBox::RejectRole);
        for (QAbstractButton *button : made) {
            QCOMPARE(button->minimumSize(), QSize(100, 40));
            QCOMPARE(button->maximumSize(), QSize(100, 40));
            QCOMPARE(button->styleSheet(), msg_btn_qss);
            QCOMPARE(button->font().pointSize(), 20);
        }
        QVERIFY(box->defaultButton() == nullptr);
    }

    void boxVariants()
    {
        ui::BoxStyle grows;
        grows.sizing = ui::BoxStyle::MinimumSize;
        grows.sheet = flow_msg_qss;
        grows.defaultButton = true;
        QList<QAbstractButton *> made;
        QScopedPointer<QMessageBox> box(ui::buildStyledBox(
            u8("提示"), QMessageBox::Warning, u8("升级成功，请手动重启系统！"),
            {{u8("确定"), QMessageBox::YesRole}}, grows, &made));
        QCOMPARE(box->minimumSize(), QSize(400, 200));
        QVERIFY(box->maximumWidth() > 400);
        QCOMPARE(box->defaultButton(), made.first());
        QCOMPARE(box->styleSheet(), flow_msg_qss);

        ui::BoxStyle plain;
        plain.font = nullptr;
        plain.sizing = ui::BoxStyle::FreeSize;
        plain.styledWindow = false;
        made.clear();
        QScopedPointer<QMessageBox> bare(ui::buildStyledBox(QString(), QMessageBox::NoIcon, u8("成功!"),
                                                            {{u8("确定"), QMessageBox::YesRole}}, plain, &made));
        QVERIFY(!bare->testAttribute(Qt::WA_SetFont));
        QVERIFY(!made.first()->testAttribute(Qt::WA_SetFont));
        QCOMPARE(made.first()->minimumSize(), QSize(100, 40));
        QVERIFY(!(bare->windowFlags() & Qt::FramelessWindowHint));
    }

    void execAnswersTheClickedButton()
    {
        const QList<ui::BoxButton> menu = {{u8("修复"), QMessageBox::YesRole},
                                           {u8("恢复"), QMessageBox::NoRole},
                                           {u8("取消"), QMessageBox::RejectRole}};
        DialogRobot robot({u8("恢复"), u8("取消")});
        robot.setScreenshotDir(shotDir());
        QCOMPARE(ui::execStyledBox(u8("警告"), QMessageBox::Critical, u8("程序进入抢救模式！\n请选择抢救流程："), menu), 1);
        QCOMPARE(ui::execStyledBox(u8("警告"), QMessageBox::Critical, u8("程序进入抢救模式！\n请选择抢救流程："), menu), 2);
        // Left to right on screen as added.
        QCOMPARE(robot.boxes().first().buttons, QStringList({u8("修复"), u8("恢复"), u8("取消")}));
    }

    void escapeLeavesThroughTheRejectingButton()
    {
        QTimer::singleShot(100, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                QTest::keyClick(w, Qt::Key_Escape);
        });
        QCOMPARE(ui::execStyledBox(u8("警告"), QMessageBox::Critical, u8("x"),
                                   {{u8("修复"), QMessageBox::YesRole}, {u8("取消"), QMessageBox::RejectRole}}),
                 1);
    }

    void plainWarning()
    {
        DialogRobot robot;
        ui::showPlainWarning("mount /home/ostrel/nfs_space failed!");
        const DialogRecord box = robot.boxes().first();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.text, QStringLiteral("mount /home/ostrel/nfs_space failed!"));
        QCOMPARE(box.icon, int(QMessageBox::Warning));
        QCOMPARE(box.buttons.size(), 1);
        QVERIFY(box.styleSheet.isEmpty());
        QVERIFY(!(box.windowFlags & Qt::FramelessWindowHint));
    }

    void progressDialogs_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("cancel removed before show") << int(ui::ProgressOrder::CancelRemovedBeforeShow);
        QTest::newRow("shown then settled") << int(ui::ProgressOrder::ShownThenSettled);
        QTest::newRow("cancel removed after show") << int(ui::ProgressOrder::CancelRemovedAfterShow);
    }

    void progressDialogs()
    {
        QFETCH(int, order);
        DialogRobot robot;
        QProgressDialog dialog;
        QElapsedTimer t;
        t.start();
        ui::setupStyledProgress(dialog, u8("正在检查网络状态..."), ui::ProgressOrder(order));
        const qint64 setupMs = t.elapsed();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.minimum(), 0);
        QCOMPARE(dialog.maximum(), 100);
        QCOMPARE(dialog.value(), 0);
        QCOMPARE(dialog.styleSheet(), progress_qss);
        QCOMPARE(int(dialog.windowFlags()), 0x40803);
        QVERIFY(dialog.testAttribute(Qt::WA_StyledBackground));
        QCOMPARE(dialog.font().family(), QStringLiteral("microsoft_yahei"));
        QVERIFY(dialog.findChildren<QPushButton *>().isEmpty());  // no cancel button
        if (ui::ProgressOrder(order) == ui::ProgressOrder::ShownThenSettled)
            QVERIFY2(setupMs >= 100, qPrintable(QString::number(setupMs)));

        dialog.setLabelText(u8("正在挂载工作空间..."));
        dialog.setValue(20);
        if (!shotDir().isEmpty()) {
            QDir().mkpath(shotDir());
            dialog.grab().save(shotDir() + QStringLiteral("/progress.png"));
        }
        dialog.setValue(100);
        QVERIFY(!dialog.isVisible());  // hides itself at its maximum
        // What a watcher of the dialog sees: the first label comes with the
        // first value, and the final 100 is seen although the dialog has
        // reset itself.
        QCOMPARE(robot.progressSteps(), QStringList({u8("0 正在检查网络状态..."), u8("0 正在挂载工作空间..."),
                                                     u8("20 正在挂载工作空间..."), u8("100 正在挂载工作空间...")}));
    }
};

PENDANT_FLOW_TEST_MAIN(DialogRecipesTest)
#include "test_dialog_recipes.moc"
