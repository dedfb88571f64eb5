#include "support/dialog_robot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>

#include <memory>

namespace {

DialogRobot *current = nullptr;

// Every progress dialog whose bar is watched, for whichever robot is current.
QList<QPointer<QProgressDialog>> &watchedDialogs()
{
    static QList<QPointer<QProgressDialog>> dialogs;
    return dialogs;
}

// What the robot last recorded of a dialog, kept on the dialog.
const char *const recorded_value = "robot_value";
const char *const recorded_label = "robot_label";

QList<QAbstractButton *> buttonsLeftToRight(QWidget *dialog)
{
    QList<QAbstractButton *> buttons;
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
        if (b->isVisibleTo(dialog) && !b->text().isEmpty())
            buttons.append(b);
    std::sort(buttons.begin(), buttons.end(), [dialog](QAbstractButton *a, QAbstractButton *b) {
        return a->mapTo(dialog, QPoint()).x() < b->mapTo(dialog, QPoint()).x();
    });
    return buttons;
}

void describeWidget(DialogRecord &r, QWidget *w)
{
    r.className = QString::fromLatin1(w->metaObject()->className());
    r.title = w->windowTitle();
    r.styleSheet = w->styleSheet();
    r.fontFamily = w->font().family();
    r.pointSize = w->font().pointSize();
    r.minimumSize = w->minimumSize();
    r.maximumSize = w->maximumSize();
    r.windowFlags = int(w->windowFlags());
    r.styledBackground = w->testAttribute(Qt::WA_StyledBackground);
}

}  // namespace

QJsonObject DialogRecord::toJson() const
{
    QJsonObject o;
    o[QStringLiteral("kind")] = kind;
    o[QStringLiteral("class")] = className;
    o[QStringLiteral("ms")] = double(ms);
    o[QStringLiteral("epoch_ms")] = double(epochMs);
    if (kind == QLatin1String("progress")) {
        o[QStringLiteral("value")] = value;
        o[QStringLiteral("label")] = label;
    } else {
        o[QStringLiteral("title")] = title;
        o[QStringLiteral("text")] = text;
        o[QStringLiteral("icon")] = icon;
        o[QStringLiteral("buttons")] = QJsonArray::fromStringList(buttons);
        o[QStringLiteral("clicked")] = clicked;
    }
    if (!screenshot.isEmpty())
        o[QStringLiteral("screenshot")] = screenshot;
    if (!screenSize.isEmpty()) {
        o[QStringLiteral("screen")] = screenSize;
        o[QStringLiteral("off_screen")] = QJsonArray::fromStringList(offScreen);
    }
    return o;
}

DialogRobot::DialogRobot(const QStringList &answers, QObject *parent)
    : QObject(parent), answers_(answers), timer_(new QTimer(this)),
      startMs_(QDateTime::currentMSecsSinceEpoch())
{
    // One robot answers at a time: two polling the same box would both
    // click it, the second on a box the first has already closed.
    if (current)
        current->timer_->stop();
    current = this;
    // Any event of a progress dialog (the first comes while it is built)
    // makes the robot watch its bar.
    qApp->installEventFilter(this);
    connect(timer_, &QTimer::timeout, this, &DialogRobot::poll);
    timer_->start(15);
}

DialogRobot::~DialogRobot()
{
    if (current == this)
        current = nullptr;
}

DialogRobot *DialogRobot::instance()
{
    return current;
}

void DialogRobot::setScreenshotDir(const QString &dir)
{
    shotDir_ = dir;
    if (!dir.isEmpty())
        QDir().mkpath(dir);
}

void DialogRobot::setLogFile(const QString &path)
{
    logFile_ = path;
}

QList<DialogRecord> DialogRobot::boxes() const
{
    QList<DialogRecord> out;
    for (const DialogRecord &r : records_)
        if (r.kind != QLatin1String("progress"))
            out.append(r);
    return out;
}

QList<DialogRecord> DialogRobot::progress() const
{
    QList<DialogRecord> out;
    for (const DialogRecord &r : records_)
        if (r.kind == QLatin1String("progress"))
            out.append(r);
    return out;
}

QStringList DialogRobot::progressSteps() const
{
    QStringList steps;
    for (const DialogRecord &r : progress())
        steps.append(QString::number(r.value) + QLatin1Char(' ') + r.label);
    return steps;
}

QList<int> DialogRobot::progressValues() const
{
    QList<int> values;
    for (const DialogRecord &r : progress())
        values.append(r.value);
    return values;
}

bool DialogRobot::eventFilter(QObject *watched, QEvent *event)
{
    if (auto *dialog = qobject_cast<QProgressDialog *>(watched)) {
        watchProgress(dialog);
        // A dialog hides when it is closed and when it is destroyed.
        if (event->type() == QEvent::Hide && current == this)
            recordNewLabel(dialog);
    }
    return QObject::eventFilter(watched, event);
}

void DialogRobot::watchProgress(QProgressDialog *dialog)
{
    if (dialog->property("robot_watched").toBool())
        return;
    auto *bar = dialog->findChild<QProgressBar *>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar)
        return;  // still being built
    dialog->setProperty("robot_watched", true);
    watchedDialogs().append(dialog);
    QObject::connect(bar, &QProgressBar::valueChanged, dialog, [dialog](int value) {
        if (current)
            current->progressValueChanged(dialog, value);
    });
}

void DialogRobot::progressValueChanged(QProgressDialog *dialog, int value)
{
    // A label set since the last step, shown with the value it came with.
    if (dialog->property(recorded_value).isValid() &&
        dialog->labelText() != dialog->property(recorded_label).toString())
        onProgress(dialog, dialog->property(recorded_value).toInt(), dialog->labelText());
    onProgress(dialog, value, dialog->labelText());
}

void DialogRobot::recordNewLabel(QProgressDialog *dialog)
{
    if (dialog->value() >= dialog->minimum() && dialog->property(recorded_value).isValid() &&
        dialog->labelText() != dialog->property(recorded_label).toString())
        onProgress(dialog, dialog->value(), dialog->labelText());
}

void DialogRobot::recordNewLabels()
{
    QList<QPointer<QProgressDialog>> &dialogs = watchedDialogs();
    dialogs.removeAll(nullptr);
    for (QProgressDialog *dialog : dialogs)
        recordNewLabel(dialog);
}

void DialogRobot::onProgress(QProgressDialog *dialog, int value, const QString &label)
{
    DialogRecord r;
    r.kind = QStringLiteral("progress");
    describeWidget(r, dialog);
    r.value = value;
    r.label = label;
    dialog->setProperty(recorded_value, value);
    dialog->setProperty(recorded_label, label);
    // A screenshot for each new label is enough to see every text it shows.
    const QList<DialogRecord> steps = progress();
    const bool newLabel = steps.isEmpty() || steps.last().label != label;
    add(r, newLabel && dialog->isVisible() ? dialog : nullptr);
}

void DialogRobot::poll()
{
    recordNewLabels();
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || qobject_cast<QProgressDialog *>(modal) || !modal->isVisible())
        return;
    if (modal->property("robot_answered").toBool())
        return;
    // Give the dialog one tick to lay itself out and paint.
    if (pending_ != modal) {
        pending_ = modal;
        return;
    }
    pending_ = nullptr;
    modal->setProperty("robot_answered", true);
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        handleMessageBox(box);
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
        handleDialog(dialog);
}

void DialogRobot::handleMessageBox(QMessageBox *box)
{
    DialogRecord r;
    r.kind = QStringLiteral("box");
    describeWidget(r, box);
    // What the box says, top to bottom: its text, a part that scrolls, its
    // closing lines.
    r.text = box->text();
    if (auto *area = box->findChild<QScrollArea *>(QStringLiteral("scrolledText")))
        if (auto *part = qobject_cast<QLabel *>(area->widget()))
            r.text += part->text();
    r.text += box->informativeText();
    r.icon = box->icon();
    QList<QAbstractButton *> buttons = buttonsLeftToRight(box);
    for (QAbstractButton *b : buttons) {
        r.buttons.append(b->text());
        r.buttonSheets.append(b->styleSheet());
        r.buttonSizes.append(b->size());
    }

    QAbstractButton *target = nullptr;
    if (!answers_.isEmpty()) {
        for (QAbstractButton *b : buttons)
            if (b->text() == answers_.first())
                target = b;
        if (target)
            answers_.removeFirst();
    }
    if (!target && buttons.size() == 1)
        target = buttons.first();
    if (!target) {
        problems_.append(QStringLiteral("no answer for box \"%1\" (buttons %2)")
                             .arg(r.text, r.buttons.join(QLatin1Char(','))));
        target = box->escapeButton() ? box->escapeButton() : buttons.value(0);
    }
    r.clicked = target ? target->text() : QString();
    add(r, box);
    if (target)
        press(target);
    else
        box->reject();
}

void DialogRobot::handleDialog(QDialog *dialog)
{
    DialogRecord r;
    r.kind = QStringLiteral("dialog");
    describeWidget(r, dialog);
    const QList<QAbstractButton *> buttons = buttonsLeftToRight(dialog);
    for (QAbstractButton *b : buttons)
        r.buttons.append(b->text());

    if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
        answerFileDialog(files, r);
        return;
    }

    // Fill in fields first, so the screenshot shows the choices made.
    while (!answers_.isEmpty() && answers_.first().contains(QLatin1Char('='))) {
        const QString answer = answers_.takeFirst();
        const QString name = answer.section(QLatin1Char('='), 0, 0);
        const QString value = answer.section(QLatin1Char('='), 1);
        if (auto *combo = dialog->findChild<QComboBox *>(name)) {
            const int index = combo->findText(value);
            if (index < 0)
                problems_.append(QStringLiteral("%1 has no entry \"%2\"").arg(name, value));
            combo->setCurrentIndex(index);
        } else if (auto *edit = dialog->findChild<QLineEdit *>(name)) {
            edit->setText(value);
        } else {
            problems_.append(QStringLiteral("no field %1 in %2").arg(name, r.className));
        }
    }
    const QString answer = answers_.isEmpty() ? QString() : answers_.takeFirst();
    r.clicked = answer;
    add(r, dialog);
    if (answer == QLatin1String("accept")) {
        dialog->accept();
        return;
    }
    if (answer == QLatin1String("reject")) {
        dialog->reject();
        return;
    }
    for (QAbstractButton *b : buttons) {
        if (b->text() == answer) {
            press(b);
            return;
        }
    }
    problems_.append(QStringLiteral("no button \"%1\" in %2").arg(answer, r.className));
    dialog->reject();
}

void DialogRobot::answerFileDialog(QFileDialog *dialog, DialogRecord &r)
{
    const QString answer = answers_.isEmpty() ? QString() : answers_.takeFirst();
    r.clicked = answer;
    add(r, dialog);
    if (answer.startsWith(QLatin1String("file="))) {
        // Typed into the file name field, as a user would: selectFile()
        // alone waits for the folder to be listed in the background.
        const QString path = answer.mid(5);
        dialog->selectFile(path);
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        // Through QDialog, where accept() is public; the file dialog's own
        // accept() still runs and checks the choice.
        static_cast<QDialog *>(dialog)->accept();
        if (!dialog->isVisible())
            return;
        problems_.append(QStringLiteral("file dialog refused \"%1\"").arg(path));
    } else if (answer != QLatin1String("reject"))
        problems_.append(QStringLiteral("no file chosen in %1 (answer \"%2\")").arg(r.className, answer));
    dialog->reject();
}

void DialogRobot::press(QAbstractButton *button)
{
    QString note;
    if (!presser_ || !presser_(button, &note)) {
        button->click();
        return;
    }
    DialogRecord r;
    r.kind = QStringLiteral("tap");
    r.clicked = button->text();
    r.text = note;
    add(r, nullptr);
    auto pressed = std::make_shared<bool>(false);
    connect(button, &QAbstractButton::pressed, this, [pressed] { *pressed = true; });
    QPointer<QAbstractButton> target(button);
    QTimer::singleShot(5000, this, [this, target, pressed, r]() mutable {
        if (*pressed || !target)
            return;
        problems_.append(QStringLiteral("the tap on \"%1\" (%2) did not press it").arg(r.clicked, r.text));
        r.kind = QStringLiteral("missed-tap");
        add(r, nullptr);
        target->click();
    });
}

void DialogRobot::add(DialogRecord record, QWidget *shot)
{
    record.epochMs = QDateTime::currentMSecsSinceEpoch();
    record.ms = record.epochMs - startMs_;
    QScreen *screen = shot ? shot->window()->screen() : nullptr;
    if (screen) {
        // Whether a finger can reach it all: the window and each of its
        // buttons wholly on the screen.
        const QRect onScreen = screen->geometry();
        record.screenSize = QStringLiteral("%1x%2").arg(onScreen.width()).arg(onScreen.height());
        if (!onScreen.contains(shot->window()->frameGeometry()))
            record.offScreen << QStringLiteral("window");
        for (QAbstractButton *b : shot->window()->findChildren<QAbstractButton *>())
            if (b->isVisible() && !onScreen.contains(QRect(b->mapToGlobal(QPoint()), b->size())))
                record.offScreen << (b->text().isEmpty() ? QString::fromLatin1(b->metaObject()->className()) : b->text());
    }
    if (shot && !shotDir_.isEmpty()) {
        QString name = record.kind;
        if (record.kind == QLatin1String("progress"))
            name += QLatin1Char('-') + QString::number(record.value);
        record.screenshot = QDir(shotDir_).filePath(
            QStringLiteral("%1-%2.png").arg(records_.size() + 1, 3, 10, QLatin1Char('0')).arg(name));
        shot->grab().save(record.screenshot);
        // The whole screen too, as the person sees it, for what is not a
        // progress step.
        if (screen && record.kind != QLatin1String("progress")) {
            QString whole = record.screenshot;
            whole.replace(QLatin1String(".png"), QLatin1String("-screen.png"));
            screen->grabWindow(0).save(whole);
        }
    }
    records_.append(record);
    if (!logFile_.isEmpty()) {
        QFile log(logFile_);
        if (log.open(QIODevice::Append))
            log.write(QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact) + '\n');
    }
}
