#pragma once
// A scripted user for the tool's dialogs. It watches for modal dialogs,
// records what each shows (title, icon, text, buttons, style), answers it
// with the next caption from its list, records every progress value and
// label a flow sets, and can save a screenshot of each dialog.
//
// Progress is watched on the progress dialogs themselves (the tool has no
// hook for it): each dialog's bar signals every change of its value, the
// last one too, which the dialog takes before it resets itself at its
// maximum. A label has no signal; its change is seen at the next moment
// the robot looks: the next value change (the new label is then recorded
// with the value before it), the dialog hiding (also when it is destroyed),
// a tick of the robot, or before a box is answered. The first label comes
// with the first value. Two labels set with none of these in between show
// as the second only; the tool's flows always change the value or show a
// box between two labels.
//
// Answers: a message box is answered by clicking the button whose caption is
// the next answer. A box with a single button is clicked even when the next
// answer names another caption (the answer is then kept for later). Any
// other dialog takes answers of the form "objectName=text" (select that text
// in the combo box, or type it into the line edit, of that name) and then a
// button caption, or "accept" / "reject". A file dialog takes "file=PATH"
// (select that file and accept) or "reject" (cancel).
//
// A button is pressed by a click, or by the presser when one is set (a tap
// on a touch screen, say): the robot then records a "tap" with the
// presser's note, and a "missed-tap" (and clicks) when the button has not
// been pressed five seconds later.

#include <functional>

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>

class QAbstractButton;
class QDialog;
class QFileDialog;
class QMessageBox;
class QProgressDialog;
class QTimer;
class QWidget;

struct DialogRecord {
    QString kind;  // "box", "dialog" or "progress"
    QString className;
    QString title;
    QString text;
    int icon = 0;
    QStringList buttons;       // captions, left to right
    QStringList buttonSheets;  // style sheet of each button, same order
    QList<QSize> buttonSizes;
    QString clicked;
    int value = -1;            // progress only
    QString label;             // progress only
    QString styleSheet;
    QString fontFamily;
    int pointSize = -1;
    QSize minimumSize;
    QSize maximumSize;
    int windowFlags = 0;
    bool styledBackground = false;
    qint64 ms = 0;             // since the robot started
    qint64 epochMs = 0;
    QString screenshot;
    QString screenSize;      // "WxH" of the screen the dialog is on
    QStringList offScreen;   // "window" and the captions of buttons not wholly on it

    QJsonObject toJson() const;
};

class DialogRobot : public QObject {
    Q_OBJECT
public:
    explicit DialogRobot(const QStringList &answers = QStringList(), QObject *parent = nullptr);
    ~DialogRobot() override;

    void setScreenshotDir(const QString &dir);
    void setLogFile(const QString &path);
    // Presses BUTTON another way than a click; false: it could not.
    using Presser = std::function<bool(QAbstractButton *button, QString *note)>;
    void setPresser(Presser presser) { presser_ = std::move(presser); }

    const QList<DialogRecord> &records() const { return records_; }
    QList<DialogRecord> boxes() const;     // message boxes and other dialogs
    QList<DialogRecord> progress() const;  // progress steps only
    // "value label" per progress step, e.g. "10 拷贝tesma.zip...".
    QStringList progressSteps() const;
    // The progress values alone, in the order they were set.
    QList<int> progressValues() const;
    QStringList remainingAnswers() const { return answers_; }
    // Dialogs the robot had to close without a fitting answer.
    QStringList problems() const { return problems_; }

    static DialogRobot *instance();

private:
    void poll();
    void handleMessageBox(QMessageBox *box);
    void handleDialog(QDialog *dialog);
    void answerFileDialog(QFileDialog *dialog, DialogRecord &r);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void onProgress(QProgressDialog *dialog, int value, const QString &label);
    void add(DialogRecord record, QWidget *shot);
    void press(QAbstractButton *button);
    static void watchProgress(QProgressDialog *dialog);
    void progressValueChanged(QProgressDialog *dialog, int value);
    void recordNewLabel(QProgressDialog *dialog);
    void recordNewLabels();

    QStringList answers_;
    QList<DialogRecord> records_;
    QStringList problems_;
    QString shotDir_;
    QString logFile_;
    QTimer *timer_;
    Presser presser_;
    QPointer<QWidget> pending_;  // seen once; answered on the next tick
    qint64 startMs_;
};
