#include "ui/QCustomMessageBox.h"

#include <QAbstractButton>

#include "ui/dialog_recipes.h"

const char *const QCustomMessageBox::constructor_qss =
    "QWidget#QCustomMessageBox{background-color:rgb(255,255,255);}";
// A 1-pixel border, unlike the 2 pixels of the flows' boxes.
const char *const QCustomMessageBox::box_qss =
    "QMessageBox{border: 1px solid rgb(218,221,223);;background-color: rgb(255,255,255);}";
const char *const QCustomMessageBox::button_qss =
    "QPushButton:focus{outline: none;}"
    "QPushButton{border:hide;border-radius:2px;padding:0px 0px;"
    "background-color:rgb(51,51,51);color:rgb(255,255,255);}"
    "QPushButton:pressed{background-color:rgb(150 , 150 , 150);padding-left:2px;padding-top:2px;}";

namespace {

QFont boxFont(int pointSize)
{
    return QFont(QStringLiteral("microsoft_yahei"), pointSize, QFont::Normal, false);
}

}  // namespace

QCustomMessageBox::QCustomMessageBox(QWidget *parent) : QMessageBox(parent) {}

QCustomMessageBox::QCustomMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons, QWidget *parent,
                                     Qt::WindowFlags flags)
    : QMessageBox(icon, title, text, buttons, parent, flags)
{
    // Takes effect only once the caller names the box "QCustomMessageBox".
    setStyleSheet(QString::fromLatin1(constructor_qss));
    setFont(boxFont(20));
}

QCustomMessageBox::~QCustomMessageBox() = default;

int QCustomMessageBox::ShowCustomMessageBox(QWidget * /*parent*/, QMessageBox::Icon icon,
                                            const QString &title, const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton)
{
    // Always a top-level box of its own, whatever parent the caller gives.
    const QFont font = boxFont(16);
    ui::BoxStyle style;
    style.font = &font;
    style.sizing = ui::BoxStyle::FreeSize;
    style.sheet = QString::fromLatin1(box_qss);
    QMessageBox *box = ui::buildStyledBox(title, icon, text, {}, style);
    box->setMinimumSize(400, 300);
    box->setMinimumHeight(300);
    box->setMaximumWidth(600);

    box->setStandardButtons(buttons);
    // With no buttons at all, captioning Ok adds an Ok button.
    box->setButtonText(QMessageBox::Ok, tr("Ok"));
    box->setDefaultButton(defaultButton);
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Cancel, tr("Cancel")},  {QMessageBox::Save, tr("Save")},
        {QMessageBox::Discard, tr("Discard")}, {QMessageBox::Yes, tr("Yes")},
        {QMessageBox::No, tr("No")},           {QMessageBox::Retry, tr("Retry")},
        {QMessageBox::Ignore, tr("Above")},    {QMessageBox::Apply, tr("Below")},
        {QMessageBox::Help, tr("Auxiliary point")}, {QMessageBox::Reset, tr("End point")},
    };
    for (const auto &caption : captions)
        box->setButtonText(caption.first, caption.second);
    for (QAbstractButton *button : box->buttons()) {
        button->setFixedSize(btn_size);
        button->setStyleSheet(QString::fromLatin1(button_qss));
    }

    const int result = box->exec();
    delete box;
    return result;
}

int QCustomMessageBox::critical(QWidget *parent, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton)
{
    return ShowCustomMessageBox(parent, QMessageBox::Critical, title, text, buttons, defaultButton);
}

int QCustomMessageBox::information(QWidget *parent, const QString &title, const QString &text,
                                   QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton)
{
    return ShowCustomMessageBox(parent, QMessageBox::Information, title, text, buttons, defaultButton);
}

int QCustomMessageBox::question(QWidget *parent, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton)
{
    return ShowCustomMessageBox(parent, QMessageBox::Question, title, text, buttons, defaultButton);
}

int QCustomMessageBox::warning(QWidget *parent, const QString &title, const QString &text,
                               QMessageBox::StandardButtons buttons,
                               QMessageBox::StandardButton defaultButton)
{
    return ShowCustomMessageBox(parent, QMessageBox::Warning, title, text, buttons, defaultButton);
}
