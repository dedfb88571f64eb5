#include "ui/rescuedialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTextCursor>

#include "ui/dialog_recipes.h"
#include "ui_rescuedialog.h"

namespace {

// The bytes up to the first zero byte, one character per byte.
QString latin1UpToNul(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size()))));
}

QString chooseFile()
{
    return QFileDialog::getOpenFileName(nullptr, QString(), QString(), QString());
}

}  // namespace

RescueDialog::RescueDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui_RescueDialog), process(new QProcess(this))
{
    ui->setupUi(this);
    ui::fitToScreen(this);
}

RescueDialog::~RescueDialog()
{
    delete ui;
}

// Appends `text` as a new paragraph, always as plain text: a file or an
// output that happens to look like HTML is shown as it is, not rendered.
void RescueDialog::appendPlain(const QString &text)
{
    QTextCursor cursor(ui->textBrowser->document());
    cursor.movePosition(QTextCursor::End);
    if (!ui->textBrowser->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
}

void RescueDialog::on_btnClear_clicked()
{
    ui->textBrowser->clear();
}

void RescueDialog::on_btnText_clicked()
{
    const QString path = chooseFile();
    if (path.isEmpty())
        return;
    appendPlain(QStringLiteral("--- text ---"));
    QFile file(path);
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    appendPlain(latin1UpToNul(content));
    file.close();
}

void RescueDialog::on_btnProcess_clicked()
{
    const QString path = chooseFile();
    if (path.isEmpty())
        return;
    const QString dir = QFileInfo(path).path();
    process->setWorkingDirectory(dir);
    appendPlain(QStringLiteral("--- process: ") + path + QStringLiteral(", at: ") + dir);
    // The chosen file is the program, whole, blanks and all; it gets no
    // arguments.
    process->start(path, QStringList(), QIODevice::ReadWrite);
    process->waitForFinished(30000);
    appendPlain(latin1UpToNul(process->readAllStandardOutput()));
    appendPlain(QStringLiteral("<error>"));
    appendPlain(latin1UpToNul(process->readAllStandardError()));
}
